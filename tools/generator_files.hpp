#pragma once

// What the vector generators share: their command line, "[--check] [DIR]", and writing their files
// or checking that the committed ones are what they would write.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace kavrit::tools {

struct GeneratorArgs {
  bool check = false;
  std::filesystem::path dir;
};

// The arguments, or nothing (after printing the usage) when they are not "[--check] [DIR]".
inline std::optional<GeneratorArgs> readGeneratorArgs(int argc, char** argv,
                                                      std::filesystem::path defaultDir) {
  GeneratorArgs args{false, std::move(defaultDir)};
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--check") {
      args.check = true;
    } else if (!arg.empty() && arg[0] != '-' && positional++ == 0) {
      args.dir = arg;
    } else {
      std::cerr << "usage: " << argv[0] << " [--check] [DIR]\n";
      return std::nullopt;
    }
  }
  return args;
}

// The whole file, or nothing readable as empty text.
inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// With `check`, whether `path` holds `text`; otherwise writes it there (creating its directory).
// False, after saying so on stderr, for a file that differs or that cannot be written.
inline bool writeOrCheck(const std::filesystem::path& path, const std::string& text, bool check) {
  if (check) {
    if (readFile(path) == text) return true;
    std::cerr << path.string() << " differs from what the generator writes\n";
    return false;
  }
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (out) return true;
  std::cerr << "cannot write " << path.string() << "\n";
  return false;
}

}  // namespace kavrit::tools
