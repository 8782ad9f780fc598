// hold_module.exe MODULE FLAG_FILE: keeps MODULE loaded, as a thumbnail host keeps a
// handler DLL, from the moment it creates FLAG_FILE until someone deletes that file
// (or a minute has passed, so that a failed test leaves nothing running).
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  HMODULE module = LoadLibraryExW(argv[1], nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) return 3;
  HANDLE flag = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (flag == INVALID_HANDLE_VALUE) {
    FreeLibrary(module);
    return 4;
  }
  CloseHandle(flag);
  for (int waited = 0; waited < 60000 && GetFileAttributesW(argv[2]) != INVALID_FILE_ATTRIBUTES; waited += 50) {
    Sleep(50);
  }
  FreeLibrary(module);
  return 0;
}
