#pragma once
// Scratch folders and the environment a test runs in. Plain C++, so every test binary,
// Qt or not, runs in a home of its own.

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kavio::test {

// A fresh folder under the system's temporary directory, removed with the object.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Environment variables changed for one scope; each is put back as it was (set or unset)
// when the scope ends. Processes started meanwhile inherit the changes.
class ScopedEnv {
public:
    using Change = std::pair<std::string, std::optional<std::string>>; // nullopt: unset

    ScopedEnv() = default;
    ScopedEnv(std::initializer_list<Change> changes);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    void set(const std::string& name, const std::string& value);
    void unset(const std::string& name);

private:
    void remember(const std::string& name);

    std::vector<Change> saved_; // put back last first
};

// A home of the test's own: HOME and the XDG data, config, state and cache folders inside
// a scratch folder, and no Documents folder named from outside. Whatever the test or a
// program it starts writes there (a library, samples, the trash, settings, positions)
// never reaches the files of whoever runs the tests.
class ScratchHome {
public:
    ScratchHome();

    const std::filesystem::path& path() const { return folder_.path(); }
    std::filesystem::path home() const { return path() / "home"; }
    std::filesystem::path dataHome() const { return path() / "data"; }
    std::filesystem::path configHome() const { return path() / "config"; }
    std::filesystem::path stateHome() const { return path() / "state"; }
    // Where Kavio keeps its library when nothing else is named.
    std::filesystem::path documents() const { return dataHome() / "Kavio" / "Documents"; }

private:
    ScratchFolder folder_;
    ScopedEnv env_;
};

} // namespace kavio::test
