#include "vectors/known_answer.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>

#include "kavrit/test/hex.hpp"
#include "kavrit/test/vector_files.hpp"

namespace kavrit::test::detail {
namespace {

namespace fs = std::filesystem;

// A cached parse is served without reading the file again while the file's identity, size and
// time stamps are those it was read with. Time stamps are coarse (a few milliseconds): two writes
// of the same size within one tick look alike. So an entry whose file changed shortly before it
// was read is "racy": its text is read and compared on every call until the change is old enough
// for any later one to show in the stamp.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  bool operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
  }
};

std::optional<FileStamp> stampOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileStamp{info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

// A modification this close to the time of reading may be followed by another one that leaves
// the stamp unchanged.
constexpr time_t kRacySeconds = 2;

bool isRacy(const FileStamp& stamp) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  // Every change of the contents or of the modification time sets the change time.
  return now.tv_sec - stamp.changed.tv_sec <= kRacySeconds;
}

// The text is kept while the entry is racy, to tell a rewrite from the same text read again;
// a trusted entry drops it (a changed stamp then means a new parse). The parse is held by the
// tests made from it, not by the cache.
struct CacheEntry {
  std::string text;
  std::optional<FileStamp> stamp;
  bool racy = true;
  std::weak_ptr<const ParsedFile> file;
};

// Keyed by path and record key: the same file parsed under another key is another parse.
std::map<std::pair<std::string, std::string>, CacheEntry, std::less<>>& cache() {
  static std::map<std::pair<std::string, std::string>, CacheEntry, std::less<>> entries;
  return entries;
}

std::mutex& cacheMutex() {
  static std::mutex mutex;
  return mutex;
}

std::string nameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Values longer than this many characters are shown by their ends.
constexpr std::size_t kShownCharacters = 160;

std::string abbreviated(std::string_view value) {
  if (value.size() <= kShownCharacters) return std::string(value);
  std::string shown(value.substr(0, kShownCharacters / 2));
  shown += "...";
  shown += value.substr(value.size() - kShownCharacters / 2);
  return shown + " (" + std::to_string(value.size()) +
         " characters; the whole value is in the file)";
}

void appendField(std::string& out, const FieldView& field) {
  out += "  ";
  out += field.name;
  // A flag line such as FAIL has no value; it is shown as the file has it.
  if (!(field.value.empty() && field.name == "FAIL")) {
    out += " = ";
    out += abbreviated(field.value);
  }
  out += '\n';
}

// Bytes an entry point released, in a report's value line.
std::string releasedText(const ByteString& bytes) {
  return std::to_string(bytes.size()) + (bytes.size() == 1 ? " byte" : " bytes") +
         (bytes.empty() ? std::string() : ": " + toHex(bytes));
}

// A value written as quoted text (`IN= "Ladies and ..."`, BoringSSL's form): the bytes of the
// printable ASCII characters between the quotes. Throws std::invalid_argument saying what is wrong.
ByteString quotedBytes(std::string_view value) {
  const std::size_t close = value.find('"', 1);
  if (close == std::string_view::npos) {
    throw std::invalid_argument("quoted text " + abbreviated(value) + " has no closing '\"'");
  }
  if (close + 1 != value.size()) {
    throw std::invalid_argument("\"" + abbreviated(value.substr(close + 1)) +
                                "\" after the closing '\"' of quoted text; a quoted value is "
                                "one string");
  }
  const std::string_view inner = value.substr(1, close - 1);
  ByteString out;
  out.reserve(inner.size());
  for (std::size_t i = 0; i < inner.size(); ++i) {
    const auto c = static_cast<unsigned char>(inner[i]);
    if (c < 0x20 || c > 0x7E) {
      throw std::invalid_argument(
          "quoted text holds the byte " + toHex(ByteString{c}) + " at character " +
          std::to_string(i + 1) +
          "; quoted text is printable ASCII, other bytes are written in hex");
    }
    out.push_back(c);
  }
  return out;
}

}  // namespace

std::shared_ptr<const ParsedFile> loadVectorFile(const std::string& path,
                                                 std::string_view recordKey) {
  auto key = std::pair(path, std::string(recordKey));
  // Taken before the read: a write after it changes the stamp, and the next call reads again.
  const std::optional<FileStamp> stamp = stampOf(path);
  {
    const std::scoped_lock lock(cacheMutex());
    const auto found = cache().find(key);
    if (found != cache().end() && stamp && found->second.stamp == stamp && !found->second.racy) {
      if (auto file = found->second.file.lock()) return file;
    }
  }
  std::string text = readVectorText(path);
  const bool racy = !stamp || isRacy(*stamp);
  {
    const std::scoped_lock lock(cacheMutex());
    const auto found = cache().find(key);
    if (found != cache().end() && found->second.racy && found->second.text == text) {
      if (auto file = found->second.file.lock()) {
        found->second.stamp = stamp;
        found->second.racy = racy;
        if (!racy) std::string().swap(found->second.text);
        return file;
      }
    }
  }
  // The racy copy of the text is kept for the comparison above; the parse owns the other.
  std::string kept = racy ? text : std::string();
  auto file = std::make_shared<const ParsedFile>(path, nameOf(path), std::move(text), recordKey);
  const std::scoped_lock lock(cacheMutex());
  cache().insert_or_assign(std::move(key), CacheEntry{std::move(kept), stamp, racy, file});
  return file;
}

void forEachLoadedFile(const std::string& directory, std::string_view recordKey,
                       const std::function<bool(std::string_view)>& listed,
                       const std::function<void(const std::shared_ptr<const ParsedFile>&)>& visit) {
  forEachListedFile(directory, listed, [&](const std::string& path, const std::string&) {
    visit(loadVectorFile(path, recordKey));
  });
}

std::string vectorErrorText(std::string_view path, int line, std::string_view name,
                            std::string_view what) {
  std::string text(path);
  text += ':';
  text += std::to_string(line);
  text += ": ";
  text += name;
  text += ": ";
  text += what;
  return text;
}

std::string KnownAnswer::error(std::string_view what) const {
  return vectorErrorText(path(), line(), name(), what);
}

void KnownAnswer::fail(std::string_view what) const { throw std::runtime_error(error(what)); }

void KnownAnswer::checkRefused(std::string_view what,
                               const std::optional<ByteString>& released) const {
  if (!released) return;
  throw AssertionFailure(mismatchReport(name() + ": " + std::string(what) + "\n" + inputs(),
                                        releasedText(*released), "must be refused", std::nullopt,
                                        ValueLabels{"computed", "vector"}));
}

void KnownAnswer::checkOpened(std::string_view what, const std::optional<ByteString>& opened,
                              const ByteString& expected) const {
  if (opened) return;
  throw AssertionFailure(mismatchReport(name() + ": " + std::string(what) + "\n" + inputs(),
                                        "refused", releasedText(expected), std::nullopt,
                                        ValueLabels{"computed", "vector"}));
}

std::string_view KnownAnswer::text(std::string_view field) const {
  const FieldText value = ref_.field(field);
  if (value == nullptr) fail("the record has no " + std::string(field) + " field");
  return *value;
}

ByteString KnownAnswer::bytes(std::string_view field) const {
  const std::string_view value = text(field);
  if (value.starts_with('"')) {
    for (const FieldView one : ref_.fields()) {
      if (one.name == field) return bytes(one);
    }
  }
  try {
    return hexStringToBS(value);
  } catch (const std::invalid_argument& e) {
    throw std::invalid_argument(error("field " + std::string(field) + ": " + e.what()));
  }
}

ByteString KnownAnswer::bytes(const FieldView& field) const {
  if (field.value.starts_with('"')) {
    try {
      return quotedBytes(field.value);
    } catch (const std::invalid_argument& e) {
      // Pointed at the field's own line: a quoted value is one line of text to fix.
      throw std::invalid_argument(vectorErrorText(
          path(), field.line, name(), "field " + std::string(field.name) + ": " + e.what()));
    }
  }
  try {
    return hexStringToBS(field.value);
  } catch (const std::invalid_argument& e) {
    throw std::invalid_argument(error("field " + std::string(field.name) + " (line " +
                                      std::to_string(field.line) + "): " + e.what()));
  }
}

ByteString KnownAnswer::headBytes(std::string_view field) const {
  const FieldText value = ref_.head(field);
  if (value == nullptr) fail("the category has no " + std::string(field) + " head line");
  try {
    return hexStringToBS(*value);
  } catch (const std::invalid_argument& e) {
    throw std::invalid_argument(error("head line " + std::string(field) + ": " + e.what()));
  }
}

long long KnownAnswer::integer(std::string_view field) const {
  try {
    return readInteger(field, text(field));
  } catch (const std::invalid_argument& e) {
    throw std::invalid_argument(error(e.what()));
  }
}

std::string KnownAnswer::inputs() const {
  std::string out = path() + ":" + std::to_string(line()) + ": the vector:\n";
  for (const std::string_view head : heads_) {
    for (const FieldView field : ref_.heads()) {
      if (field.name == head) {
        out += "  [";
        out += field.name;
        out += " = " + abbreviated(field.value) + "]\n";
        break;
      }
    }
  }
  const FieldList record = ref_.fields();
  if (shown_.empty()) {
    for (const FieldView field : record) appendField(out, field);
  } else {
    for (const std::uint32_t at : shown_) {
      if (at < record.size()) appendField(out, record[at]);
    }
  }
  out.pop_back();  // the last line's newline
  return out;
}

bool hasFields(const RecordRef& record, std::span<const std::string_view> fields) {
  for (const std::string_view field : fields) {
    if (record.field(field) == nullptr) return false;
  }
  return true;
}

Test failingCase(std::string name, std::string message, std::optional<SourceLocation> location) {
  return testCase(
      std::move(name), [message = std::move(message)] { throw std::runtime_error(message); },
      std::move(location));
}

std::optional<bool> headDirection(const FieldList& heads) {
  for (const FieldView field : heads) {
    if (field.name == "ENCRYPT") return true;
    if (field.name == "DECRYPT") return false;
  }
  return std::nullopt;
}

void requireDirection(const ParsedFile& file, bool encrypts) {
  for (std::size_t category = 0; category < file.categoryCount(); ++category) {
    const std::optional<bool> direction = headDirection(file.heads(category));
    if (!direction || *direction == encrypts || file.recordCount(category) == 0) continue;
    int line = 0;
    for (const FieldView field : file.heads(category)) {
      if (field.name == (*direction ? "ENCRYPT" : "DECRYPT")) line = field.line;
    }
    throw RefusedFile(vectorErrorText(
        file.path, line, file.name,
        std::string("its name makes it a file of ") + (encrypts ? "encryption" : "decryption") +
            " vectors, but the head line [" + (*direction ? "ENCRYPT" : "DECRYPT") +
            "] says its records are " + (*direction ? "encryption" : "decryption") +
            " vectors; rename the file or fix the head line"));
  }
}

}  // namespace kavrit::test::detail
