#pragma once
// Small helpers shared by the library tests: file I/O, records, the Python peer.

#include "support/ScopedEnv.h"

#include "library/SavedVideosStore.h"
#include "library/archive/MovieInfo.h"

#include <filesystem>
#include <string>

namespace kavio::test {

void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::string readFile(const std::filesystem::path& path);

MovieInfo makeRecord(const std::string& title, const std::string& key, const std::string& extension = "mp4");

// A record as the editor makes it: artist "by TITLE", key "kKV" + title, a small PNG
// thumbnail whose hue comes from the title.
RecordPtr record(const std::string& title, const std::string& extension = "mp4", const std::string& url = "");

// Creates folder if needed and files the records in its store in the order given, as the
// phone's editor files them.
void fileRecords(const std::filesystem::path& folder, const std::vector<RecordPtr>& records);

// Runs a command, returns its standard output; exitCode receives the status.
std::string run(const std::string& command, int* exitCode = nullptr);
bool havePython();
std::string peerScript();

std::filesystem::path fixturesDir();

} // namespace kavio::test
