#pragma once
// What a person may type as a name: nothing typed ever places a file or folder outside the
// folder shown, hides it from the lists, or takes the name of Kavio's own files.

#include <optional>
#include <string>
#include <string_view>

namespace kavio::phone {

enum class NameUse {
    Title,      // a video's title: its file is the title, a dot and the extension
    FolderName, // one folder, renamed in place
    FolderPath, // a new folder; "/" between plain parts makes nested folders
};

// The message of the "Err" alert when name cannot be used, nothing when it can. extension
// (without the dot) completes a title to its file name for the length check. Control
// characters and bytes that are not UTF-8 are refused: a typed name is plain text.
std::optional<std::string> nameProblem(std::string_view name, NameUse use, std::string_view extension = {});

// The same for an artist, which may be empty and hold any other text.
std::optional<std::string> artistProblem(std::string_view artist);

// A title typed with its file's own extension ("Beach Day.mp4" for an .mp4, in any case)
// is the title before it: the file gets its extension once, not twice.
std::string_view titleWithoutExtension(std::string_view title, std::string_view extension);

// The message when link is no stream Kavio can play: an http, https, rtsp, rtsps, rtmp or
// mms URL naming a server. Nothing when it is one.
std::optional<std::string> linkProblem(std::string_view link);

inline constexpr char kNoCharactersEntered[] = "No characters entered.";

} // namespace kavio::phone
