#include "support/ScopedEnv.h"

#include <cstdlib>
#include <random>

namespace kavio::test {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder()
{
    std::random_device rd;
    path_ = fs::temp_directory_path() / ("kavio-test-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ec;
    // Tests make folders unreadable on purpose; give them back before removing.
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (fs::recursive_directory_iterator it(path_, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(std::initializer_list<Change> changes)
{
    for (const Change& change : changes) {
        if (change.second)
            set(change.first, *change.second);
        else
            unset(change.first);
    }
}

ScopedEnv::~ScopedEnv()
{
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->second)
            ::setenv(it->first.c_str(), it->second->c_str(), 1);
        else
            ::unsetenv(it->first.c_str());
    }
}

void ScopedEnv::remember(const std::string& name)
{
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
}

void ScopedEnv::set(const std::string& name, const std::string& value)
{
    remember(name);
    ::setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnv::unset(const std::string& name)
{
    remember(name);
    ::unsetenv(name.c_str());
}

ScratchHome::ScratchHome()
{
    for (const fs::path& folder : {home(), dataHome(), configHome(), stateHome(), path() / "cache"})
        fs::create_directories(folder);
    env_.set("HOME", home().string());
    env_.set("XDG_DATA_HOME", dataHome().string());
    env_.set("XDG_CONFIG_HOME", configHome().string());
    env_.set("XDG_STATE_HOME", stateHome().string());
    env_.set("XDG_CACHE_HOME", (path() / "cache").string());
    env_.unset("KAVIO_DOCUMENTS");
}

} // namespace kavio::test
