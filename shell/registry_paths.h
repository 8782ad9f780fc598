// Registry paths that registration, handler lookup and the host share.
#pragma once

#include <string>

namespace orvelle {

// Per-user key whose values hold the class identifiers of the displaced handlers.
extern const wchar_t* const kSavedHandlerKey;

// extension + "\ShellEx\{E357FCCD-A995-4576-B01F-234630154E96}": the extension's
// thumbnail slot under a classes root.
std::wstring ShellExKey(const wchar_t* extension);

}  // namespace orvelle
