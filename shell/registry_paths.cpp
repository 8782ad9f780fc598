#include "shell/registry_paths.h"

#include <windows.h>
#include <thumbcache.h>

#include "shell/clsid_text.h"

namespace orvelle {

const wchar_t* const kSavedHandlerKey = L"Software\\Corvantis\\Orvelle";

std::wstring ShellExKey(const wchar_t* extension) {
  std::wstring iid;
  if (!FormatClsid(IID_IThumbnailProvider, &iid)) iid = L"{E357FCCD-A995-4576-B01F-234630154E96}";
  return std::wstring(extension) + L"\\ShellEx\\" + iid;
}

}  // namespace orvelle
