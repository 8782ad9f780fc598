// Entries of the tables QueryInterface answers from through QISearch.
#pragma once

#include <windows.h>
#include <shlwapi.h>

namespace orvelle {

// What QITABENT(Class, Interface) means. mingw-w64's macro computes the offset as a DWORD
// for QITAB's int field, a narrowing that clang refuses inside braces.
template <class Class, class Interface>
QITAB InterfaceEntry() {
  using Offset = decltype(QITAB::dwOffset);
  return {&__uuidof(Interface), static_cast<Offset>(OFFSETOFCLASS(Interface, Class))};
}

}  // namespace orvelle
