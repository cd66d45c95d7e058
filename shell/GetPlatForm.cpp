#include "shell/GetPlatForm.h"

#include "platform/base/MachineIdentifier.h"
#include "shell/ModelNames.h"

namespace kavio::shell {

QString GetPlatForm::platformName()
{
    return modelNameFor(platform::machineIdentifier());
}

} // namespace kavio::shell
