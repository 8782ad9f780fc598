#include "shell/module_path.h"

#include <vector>

namespace orvelle {

namespace {

constexpr DWORD kFirstPathChars = 260;
constexpr DWORD kMaxPathChars = 65536;

}  // namespace

bool GetModulePath(HMODULE module, std::wstring* path) {
  std::vector<wchar_t> buffer(kFirstPathChars, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return false;
    if (length < buffer.size()) {
      path->assign(buffer.data(), length);
      return true;
    }
    if (buffer.size() >= kMaxPathChars) {
      path->assign(buffer.data(), buffer.size());
      return true;
    }
    buffer.resize(buffer.size() * 2, L'\0');
  }
}

}  // namespace orvelle
