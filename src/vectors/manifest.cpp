#include "kavrit/test/manifest.hpp"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>
#include <system_error>

#include "kavrit/test/parse_nist_kats.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "suites/file_rules.hpp"
#include "vectors/manifest_sha256.hpp"

namespace kavrit::test {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kFields = 6;

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t at = 0;
  for (std::size_t next; (next = text.find(separator, at)) != std::string_view::npos;
       at = next + 1) {
    parts.push_back(text.substr(at, next - at));
  }
  parts.push_back(text.substr(at));
  return parts;
}

template <class Number>
std::optional<Number> readNumber(std::string_view text) {
  Number value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool isDigest(std::string_view text) {
  return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

bool isSafeRelativePath(std::string_view path) {
  if (path.empty() || path.front() == '/') return false;
  for (const std::string_view part : split(path, '/')) {
    if (part.empty() || part == "." || part == "..") return false;
  }
  return true;
}

std::string_view parentOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash);
}

std::string joinPath(const std::string& dir, std::string_view relative) {
  if (dir.empty() || dir == ".") return std::string(relative);
  if (relative.empty()) return dir;
  std::string path = dir;
  if (path.back() != '/') path.push_back('/');
  path.append(relative);
  return path;
}

std::optional<std::string> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return text;
}

// The records of a file as the manifest counts them: the lines of the directory's counted field
// inside the records its suites parse.
std::size_t countRecords(const VectorDirectory& directory, std::string_view text) {
  std::size_t records = 0;
  for (const KatCategory& category : parseCategories(directory.recordKey, text)) {
    for (const KatRecord& record : category.records) {
      for (const KatField& field : record) records += field.name == directory.countedField ? 1 : 0;
    }
  }
  return records;
}

const VectorDirectory* directoryOf(std::string_view name) {
  for (const VectorDirectory& directory : vectorDirectories()) {
    if (directory.name == name) return &directory;
  }
  return nullptr;
}

// Wycheproof's files are kept as published, in JSON, so they are outside the table of NIST-format
// directories; tools/import_vectors.py counts a test per "tcId" key in the text, and so do we.
constexpr std::string_view kJsonDirectory = "Test/WYCHEPROOF";
constexpr std::string_view kJsonRecordKey = "\"tcId\"";

std::size_t countOccurrences(std::string_view text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string_view::npos;
       at = text.find(part, at + part.size())) {
    ++count;
  }
  return count;
}

// The records of a listed file by its directory's rule; nothing where there is no rule.
std::optional<std::size_t> countRecords(std::string_view path, std::string_view text) {
  const std::string_view dir = parentOf(path);
  if (const VectorDirectory* directory = directoryOf(dir)) return countRecords(*directory, text);
  if (dir == kJsonDirectory && path.ends_with(".json")) {
    return countOccurrences(text, kJsonRecordKey);
  }
  return std::nullopt;
}

// The problem with one listed file that is present, if any.
std::optional<DataProblem> checkFile(const ManifestEntry& entry, const std::string& path) {
  const std::optional<std::string> text = readFile(path);
  if (!text) return DataProblem{DataProblemKind::Unreadable, path, "cannot be read"};
  const std::string digest = detail::sha256Hex(*text);
  if (text->size() == entry.bytes && digest == entry.sha256) return std::nullopt;

  std::string detail = std::to_string(text->size()) + " bytes, SHA-256 " + digest +
                       "; the manifest (line " + std::to_string(entry.line) + ") lists " +
                       std::to_string(entry.bytes) + " bytes, SHA-256 " + entry.sha256;
  DataProblemKind kind =
      text->size() == entry.bytes ? DataProblemKind::ContentDiffers : DataProblemKind::SizeDiffers;
  if (const auto records = countRecords(entry.path, *text); records && *records != entry.records) {
    kind = DataProblemKind::RecordCountDiffers;
    detail = std::to_string(*records) + " records where the manifest lists " +
             std::to_string(entry.records) + "; " + detail;
  }
  return DataProblem{kind, path, detail};
}

bool isPresentFile(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);  // follows symbolic links
  return !ec && fs::exists(status) && !fs::is_directory(status);
}

}  // namespace

std::vector<ManifestEntry> parseManifest(std::string_view text, const std::string& origin) {
  std::vector<ManifestEntry> entries;
  std::set<std::string, std::less<>> seen;
  std::size_t lineNumber = 0;
  for (std::string_view line : split(text, '\n')) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const auto fail = [&](const std::string& what) {
      return std::invalid_argument(origin + ":" + std::to_string(lineNumber) + ": " + what);
    };
    const std::vector<std::string_view> fields = split(line, '\t');
    if (fields.size() != kFields) {
      throw fail(std::to_string(fields.size()) + " tab-separated fields, expected " +
                 std::to_string(kFields) +
                 " (path, source, original file, records, bytes, SHA-256)");
    }
    ManifestEntry entry;
    entry.path = fields[0];
    entry.source = fields[1];
    entry.original = fields[2];
    entry.line = lineNumber;
    if (!isSafeRelativePath(entry.path)) {
      throw fail("path \"" + entry.path + "\" is not a plain relative path");
    }
    if (!seen.insert(entry.path).second) throw fail("path " + entry.path + " is listed twice");
    const auto records = readNumber<std::size_t>(fields[3]);
    if (!records) throw fail("record count \"" + std::string(fields[3]) + "\" is not a number");
    const auto bytes = readNumber<std::uintmax_t>(fields[4]);
    if (!bytes) throw fail("size \"" + std::string(fields[4]) + "\" is not a number");
    if (!isDigest(fields[5])) {
      throw fail("SHA-256 \"" + std::string(fields[5]) + "\" is not 64 lower-case hex digits");
    }
    entry.records = *records;
    entry.bytes = *bytes;
    entry.sha256 = fields[5];
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::optional<std::string_view> recordKeyOf(std::string_view directory) {
  if (const VectorDirectory* entry = directoryOf(directory)) return entry->recordKey;
  return std::nullopt;
}

std::string describe(const DataProblem& problem) {
  std::string what;
  switch (problem.kind) {
    case DataProblemKind::BadManifest:
      what = "bad manifest";
      break;
    case DataProblemKind::MissingDirectory:
      what = "directory missing or empty";
      break;
    case DataProblemKind::MissingFile:
      what = "missing";
      break;
    case DataProblemKind::Unreadable:
      what = "unreadable";
      break;
    case DataProblemKind::RecordCountDiffers:
      what = "record count differs";
      break;
    case DataProblemKind::SizeDiffers:
      what = "size differs";
      break;
    case DataProblemKind::ContentDiffers:
      what = "contents differ";
      break;
    case DataProblemKind::ExtraFile:
      what = "not in the manifest";
      break;
  }
  return problem.path + ": " + what + (problem.detail.empty() ? "" : ": " + problem.detail);
}

std::vector<DataProblem> verifyDataDirectory(const std::string& dataDir) {
  const std::string manifestPath = joinPath(dataDir, "MANIFEST");
  std::vector<ManifestEntry> entries;
  const std::optional<std::string> text = readFile(manifestPath);
  if (!text) return {{DataProblemKind::BadManifest, manifestPath, "cannot be read"}};
  try {
    entries = parseManifest(*text, manifestPath);
  } catch (const std::invalid_argument& error) {
    return {{DataProblemKind::BadManifest, manifestPath, error.what()}};
  }

  // Listed files per directory, and whether any of them is there.
  std::map<std::string, std::set<std::string>, std::less<>> listed;
  std::map<std::string, bool, std::less<>> anyPresent;
  for (const ManifestEntry& entry : entries) {
    const std::string_view dir = parentOf(entry.path);
    listed[std::string(dir)].insert(entry.path.substr(dir.empty() ? 0 : dir.size() + 1));
    anyPresent[std::string(dir)] |= isPresentFile(joinPath(dataDir, entry.path));
  }

  std::vector<DataProblem> problems;
  for (const ManifestEntry& entry : entries) {
    const std::string dir(parentOf(entry.path));
    if (!anyPresent[dir]) continue;  // reported once for the directory below
    const std::string path = joinPath(dataDir, entry.path);
    if (!isPresentFile(path)) {
      problems.push_back({DataProblemKind::MissingFile, path,
                          "listed on manifest line " + std::to_string(entry.line)});
    } else if (auto problem = checkFile(entry, path)) {
      problems.push_back(std::move(*problem));
    }
  }
  for (const auto& [dir, names] : listed) {
    const std::string dirPath = joinPath(dataDir, dir);
    if (!anyPresent[dir]) {
      problems.push_back({DataProblemKind::MissingDirectory, dirPath,
                          "files listed there: " + std::to_string(names.size())});
      continue;
    }
    std::error_code ec;
    std::vector<std::string> extra;
    for (fs::directory_iterator it(dirPath.empty() ? "." : dirPath, ec), end; !ec && it != end;
         it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (!names.contains(name) && isPresentFile(joinPath(dirPath, name))) extra.push_back(name);
    }
    std::sort(extra.begin(), extra.end());
    for (const std::string& name : extra) {
      problems.push_back({DataProblemKind::ExtraFile, joinPath(dirPath, name), ""});
    }
  }
  return problems;
}

std::vector<DataProblem> verifyDataDirectory() { return verifyDataDirectory(getDataDir()); }

}  // namespace kavrit::test
