#include "kavrit/test/vector_files.hpp"

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

namespace fs = std::filesystem;

}  // namespace

namespace detail {

std::string readVectorText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw fs::filesystem_error("cannot open vector file", fs::path(path),
                               std::error_code(errno ? errno : EIO, std::generic_category()));
  }
  // One read of the whole file; the size is only a hint, so read on until the end.
  std::string text;
  std::error_code ec;
  const std::uintmax_t hint = fs::file_size(path, ec);
  std::size_t length = 0;
  text.resize(ec ? 1 << 16 : static_cast<std::size_t>(hint) + 1);
  while (in.read(text.data() + length, static_cast<std::streamsize>(text.size() - length))) {
    length = text.size();
    text.resize(text.size() * 2);
  }
  length += static_cast<std::size_t>(in.gcount());
  if (in.bad()) {
    throw fs::filesystem_error("cannot read vector file", fs::path(path),
                               std::make_error_code(std::errc::io_error));
  }
  text.resize(length);
  return text;
}

void forEachListedFile(const std::string& directory,
                       const std::function<bool(std::string_view)>& listed,
                       const std::function<void(const std::string&, const std::string&)>& visit) {
  for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(directory))) {
    const std::string name = entry.path().filename().string();
    std::string path = directory;
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);  // follows symbolic links
    if (ec || !fs::exists(status) || fs::is_directory(status)) continue;
    if (listed && !listed(name)) continue;
    // A FIFO would block the open until a writer comes, and a device may never end: only regular
    // files are read; any other kept entry cannot be opened as a vector file.
    if (!fs::is_regular_file(status)) {
      throw fs::filesystem_error("vector file is not a regular file", fs::path(path),
                                 std::make_error_code(std::errc::invalid_argument));
    }
    visit(path, name);
  }
}

}  // namespace detail

void forEachVectorFile(const std::string& directory, std::string_view recordKey,
                       const std::function<bool(std::string_view)>& select,
                       const std::function<void(VectorFile&)>& visit) {
  detail::forEachListedFile(
      directory, select, [&](const std::string& path, const std::string& name) {
        VectorFile file{path, name, parseCategories(recordKey, detail::readVectorText(path))};
        visit(file);
      });
}

std::vector<VectorFile> readVectorFiles(const std::string& directory, std::string_view recordKey,
                                        const std::function<bool(std::string_view)>& select) {
  std::vector<VectorFile> files;
  forEachVectorFile(directory, recordKey, select,
                    [&files](VectorFile& file) { files.push_back(std::move(file)); });
  return files;
}

LazyByteString chunked(const ByteString& message, std::size_t chunkSize) {
  std::vector<ByteString> chunks;
  chunks.reserve(message.size() / chunkSize + 1);
  for (std::size_t at = 0; at < message.size(); at += chunkSize) {
    const std::size_t end = std::min(message.size(), at + chunkSize);
    chunks.emplace_back(message.begin() + static_cast<std::ptrdiff_t>(at),
                        message.begin() + static_cast<std::ptrdiff_t>(end));
  }
  return LazyByteString(std::move(chunks));
}

long long readInteger(std::string_view field, std::string_view text) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;  // from_chars takes '-' but not '+'
  long long value = 0;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec == std::errc::result_out_of_range) {
    throw std::invalid_argument("the " + std::string(field) + " value \"" + std::string(text) +
                                "\" is out of range for an integer");
  }
  if (ec != std::errc() || end != last || first == last ||
      (first != text.data() && *first == '-')) {
    throw std::invalid_argument("the " + std::string(field) + " value \"" + std::string(text) +
                                "\" cannot be read as an integer");
  }
  return value;
}

ByteString takeBytes(const ByteString& bytes, long long n) {
  if (n <= 0) return {};
  const auto count =
      static_cast<std::size_t>(n) < bytes.size() ? static_cast<std::size_t>(n) : bytes.size();
  return ByteString(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

}  // namespace kavrit::test
