#include "SizeText.h"

#include <array>
#include <sys/stat.h>

namespace kavio {

std::string byteCountText(std::uint64_t bytes)
{
    if (bytes == 0)
        return "Zero KB";
    if (bytes == 1)
        return "1 byte";
    if (bytes < 1000)
        return std::to_string(bytes) + " bytes";

    struct Unit {
        const char* name;
        int fractionDigits;
    };
    static constexpr std::array<Unit, 6> units = {{{"KB", 0}, {"MB", 1}, {"GB", 2}, {"TB", 2}, {"PB", 2}, {"EB", 2}}};

    unsigned __int128 divisor = 1000;
    for (std::size_t u = 0; u < units.size(); ++u, divisor *= 1000) {
        unsigned __int128 scale = 1;
        for (int d = 0; d < units[u].fractionDigits; ++d)
            scale *= 10;
        // Round half up in integers: no floating-point surprises at unit boundaries.
        const unsigned __int128 scaled = (static_cast<unsigned __int128>(bytes) * scale * 2 + divisor) / (divisor * 2);
        if (scaled >= 1000 * scale && u + 1 < units.size())
            continue; // rounds up to 1000: the next unit shows it
        std::string whole = std::to_string(static_cast<std::uint64_t>(scaled / scale));
        std::string fraction = std::to_string(static_cast<std::uint64_t>(scaled % scale));
        fraction.insert(0, static_cast<std::size_t>(units[u].fractionDigits) - std::min<std::size_t>(fraction.size(), units[u].fractionDigits), '0');
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
        if (units[u].fractionDigits == 0)
            fraction.clear();
        return whole + (fraction.empty() ? "" : "." + fraction) + " " + units[u].name;
    }
    return "error";
}

QString fileSizeText(const std::filesystem::path& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return QStringLiteral("error");
    return QString::fromStdString(byteCountText(static_cast<std::uint64_t>(st.st_size)));
}

} // namespace kavio
