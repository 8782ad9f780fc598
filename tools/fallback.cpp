#include "tools/fallback.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace orvelle {

bool SplitCommandLine(const std::string& line, std::vector<std::string>* words) {
  words->clear();
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (const char c : line) {
    if (quote != 0) {
      if (c == quote) {
        quote = 0;
      } else {
        word += c;
      }
    } else if (c == '\'' || c == '"') {
      quote = c;
      inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words->push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quote != 0) return false;
  if (inWord) words->push_back(word);
  return !words->empty();
}

std::vector<std::string> ExpandPlaceholders(const std::vector<std::string>& words,
                                            const std::string& input, const std::string& output,
                                            const std::string& size) {
  std::vector<std::string> expanded;
  for (const std::string& word : words) {
    std::string result;
    for (size_t i = 0; i < word.size(); ++i) {
      if (word[i] != '%' || i + 1 == word.size()) {
        result += word[i];
        continue;
      }
      switch (word[++i]) {
        case 'i': result += input; break;
        case 'o': result += output; break;
        case 's': result += size; break;
        case '%': result += '%'; break;
        default: result += '%'; result += word[i]; break;
      }
    }
    expanded.push_back(result);
  }
  return expanded;
}

bool FindProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0;
  const char* path = std::getenv("PATH");
  std::string directories = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t begin = 0;
  while (begin <= directories.size()) {
    size_t end = directories.find(':', begin);
    if (end == std::string::npos) end = directories.size();
    std::string directory = directories.substr(begin, end - begin);
    if (directory.empty()) directory = ".";
    if (access((directory + "/" + name).c_str(), X_OK) == 0) return true;
    begin = end + 1;
  }
  return false;
}

int RunProgram(const std::vector<std::string>& words) {
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return 127;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return 127;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 127;
}

}  // namespace orvelle
