// load_and_faults.exe MOVIE_DIR...: Explorer's load on orvelle.dll, with streams that fail.
// Four threads, each in its own single-threaded apartment, make one provider per request,
// as the shell does, for every movie in the directories (Hap of several codecs at 1080p and
// small sizes, a movie without Hap) and for copies cut short or overwritten in part, at
// sizes 32, 96, 256 and 1000. After a first round of clean requests, a third of the
// requests read through a stream that starts failing at a random call and goes on failing.
// Non-Hap files are chained to the stand-in handler, registered for the run.
// Fails (exit 1) when a clean request differs from the first one for the same file and
// size, a faulty one gives anything but that result or a failure with cleared outputs, a
// stream reference leaks, committed memory grows by more than a small bound after the
// first round, or the DLL cannot be unloaded at the end.
// load_and_faults.exe --cycles N MOVIE_DIR: the DLL loaded and freed N times in one
// process, one thumbnail each; fails when a thumbnail differs from its movie's first, or
// the next free TLS index or the commit charge does not come back.
#include <windows.h>
#include <psapi.h>
#include <propsys.h>
#include <thumbcache.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "shell/server_clsid.h"
#include "tests/windows/faulty_stream.h"
#include "tests/windows/program_directory.h"

namespace orvelle::testing {
namespace {

constexpr int Threads = 4;
constexpr int RequestsPerThread = 2500;
constexpr UINT Sizes[] = {32, 96, 256, 1000};
// About half of the random requests are for the 1080p movies.
constexpr int LargeMovieWeight = 6;
constexpr int SmallMovieWeight = 1;
constexpr double MemoryBoundMiB = 8;
// The load-and-free cycles: a Hap movie, a Hap Q one, and one without Hap that goes to the
// stand-in. A leak of even a hundred bytes a cycle passes the bound over 2,000 cycles.
constexpr const wchar_t* CycleMovies[] = {L"hap1_640x360.mov", L"hapy_480x272.mov",
                                          L"h264_320x240.mov"};
constexpr UINT CycleThumbnailSize = 256;
constexpr double CycleMemoryBoundMiB = 0.125;

struct Movie {
  std::string name;
  std::vector<BYTE> bytes;
};

struct Outcome {
  HRESULT hr = E_FAIL;
  int alpha = 0;
  LONG width = 0;
  LONG height = 0;
  uint64_t hash = 0;  // of the bitmap's bytes

  bool operator==(const Outcome& other) const {
    return hr == other.hr && alpha == other.alpha && width == other.width &&
           height == other.height && hash == other.hash;
  }
};

// The first clean outcome for a file and size, and how many stream calls it took.
struct Reference {
  Outcome outcome;
  uint32_t calls = 0;
};

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using NoArgumentFn = HRESULT(WINAPI*)();

template <typename Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool ReadWholeFile(const std::wstring& path, std::vector<BYTE>* bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size = {};
  DWORD read = 0;
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart < (LONGLONG{1} << 30);
  if (ok) {
    bytes->resize(static_cast<size_t>(size.QuadPart));
    ok = ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) &&
         read == bytes->size();
  }
  CloseHandle(file);
  return ok;
}

void AddMoviesIn(const std::wstring& directory, std::vector<Movie>* movies) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((directory + L"\\*.mov").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    Movie movie;
    const std::wstring name = found.cFileName;
    movie.name.assign(name.begin(), name.end());  // the names are ASCII
    if (ReadWholeFile(directory + L"\\" + name, &movie.bytes)) movies->push_back(std::move(movie));
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

const Movie* Find(const std::vector<Movie>& movies, const std::string& name) {
  for (const Movie& movie : movies) {
    if (movie.name == name) return &movie;
  }
  return nullptr;
}

// Copies that fail as files in the field do: cut short, or with a stretch overwritten.
Movie CutShort(const Movie& movie, double keep) {
  const auto end = movie.bytes.begin() + static_cast<ptrdiff_t>(movie.bytes.size() * keep);
  return Movie{"cut short " + movie.name, std::vector<BYTE>(movie.bytes.begin(), end)};
}

Movie Overwritten(const Movie& movie, double from, double to) {
  Movie copy{"overwritten " + movie.name, movie.bytes};
  std::mt19937 random(static_cast<uint32_t>(copy.bytes.size()));
  for (size_t i = static_cast<size_t>(copy.bytes.size() * from);
       i < static_cast<size_t>(copy.bytes.size() * to); ++i) {
    copy.bytes[i] = static_cast<BYTE>(random());
  }
  return copy;
}

uint64_t HashBytes(const BYTE* bytes, size_t count) {  // FNV-1a
  uint64_t hash = 0xcbf29ce484222325u;
  for (size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3u;
  return hash;
}

// The process's commit charge (Wine leaves PrivateUsage at 0).
double CommittedMiB() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage / (1024.0 * 1024.0);
}

// One request as the shell makes it: a new provider, given the stream, asked once.
// Returns what went wrong, if anything.
std::string Ask(GetClassObjectFn getClassObject, IStream* stream, UINT size, Outcome* outcome) {
  IClassFactory* factory = nullptr;
  if (FAILED(
          getClassObject(kServerClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
    return "no class factory";
  }
  IInitializeWithStream* initializer = nullptr;
  const HRESULT created = factory->CreateInstance(nullptr, IID_IInitializeWithStream,
                                                  reinterpret_cast<void**>(&initializer));
  factory->Release();
  if (FAILED(created)) return "no provider";
  IThumbnailProvider* provider = nullptr;
  if (FAILED(initializer->Initialize(stream, STGM_READ)) ||
      FAILED(initializer->QueryInterface(IID_IThumbnailProvider,
                                         reinterpret_cast<void**>(&provider)))) {
    initializer->Release();
    return "Initialize or QueryInterface failed";
  }
  // Garbage in the outputs, so that a failure that does not clear them shows.
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(0xBAD));
  WTS_ALPHATYPE alpha = static_cast<WTS_ALPHATYPE>(7);
  outcome->hr = provider->GetThumbnail(size, &bitmap, &alpha);
  provider->Release();
  initializer->Release();
  if (FAILED(outcome->hr)) {
    return bitmap == nullptr && alpha == WTSAT_UNKNOWN ? "" : "a failure left its outputs set";
  }
  DIBSECTION dib = {};
  const bool isDib = GetObjectW(bitmap, sizeof dib, &dib) == sizeof dib &&
                     dib.dsBm.bmBitsPixel == 32 && dib.dsBm.bmBits != nullptr;
  if (isDib) {
    outcome->alpha = alpha;
    outcome->width = dib.dsBm.bmWidth;
    outcome->height = dib.dsBm.bmHeight;
    outcome->hash = HashBytes(static_cast<const BYTE*>(dib.dsBm.bmBits),
                              static_cast<size_t>(dib.dsBm.bmWidthBytes) * dib.dsBm.bmHeight);
  }
  DeleteObject(bitmap);
  return isDib ? "" : "success without a 32-bit DIB section";
}

class LoadTest {
 public:
  LoadTest(std::vector<Movie> movies, GetClassObjectFn getClassObject)
      : movies_(std::move(movies)), getClassObject_(getClassObject) {
    for (size_t i = 0; i < movies_.size(); ++i) {
      large_.push_back(movies_[i].name.find("1920x1080") != std::string::npos);
      deck_.insert(deck_.end(), large_[i] ? LargeMovieWeight : SmallMovieWeight, i);
    }
  }

  // Every thread asks for every file at every size once, cleanly.
  void FirstRound() {
    RunThreads([this](int thread) {
      std::vector<std::pair<size_t, UINT>> requests;
      for (size_t movie = 0; movie < movies_.size(); ++movie) {
        for (UINT size : Sizes) requests.emplace_back(movie, size);
      }
      std::mt19937 random(static_cast<uint32_t>(thread));
      std::shuffle(requests.begin(), requests.end(), random);
      for (const auto& [movie, size] : requests) Request(movie, size, false, random);
    });
  }

  // The rest of each thread's requests at random, exactly a third of its total faulty.
  void SecondRound() {
    const int firstRound = static_cast<int>(movies_.size() * std::size(Sizes));
    const int count = RequestsPerThread - firstRound;
    const int faulty = (RequestsPerThread + 2) / 3;
    RunThreads([&](int thread) {
      std::mt19937 random(static_cast<uint32_t>(1000 + thread));
      for (int i = 0; i < count; ++i) {
        const size_t movie = deck_[random() % deck_.size()];
        const UINT size = Sizes[random() % std::size(Sizes)];
        // Spread evenly: request i is faulty when it carries the faulty count past a whole.
        const bool isFaulty = (i + 1) * faulty / count > i * faulty / count;
        Request(movie, size, isFaulty, random);
      }
    });
  }

  int problems() const { return problems_; }

  void PrintCounts() const {
    std::printf(
        "requests %d (%d at 1080p), faulty %d (the fault struck in %d), failures %d, problems %d\n",
        requests_.load(), largeRequests_.load(), faulty_.load(), struck_.load(), failures_.load(),
        problems_.load());
  }

 private:
  template <typename Work>
  void RunThreads(Work work) {
    std::vector<std::thread> threads;
    for (int thread = 0; thread < Threads; ++thread) {
      threads.emplace_back([&work, thread, this] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
          Problem("a thread could not enter a single-threaded apartment");
          return;
        }
        work(thread);
        CoUninitialize();
      });
    }
    for (std::thread& thread : threads) thread.join();
  }

  void Request(size_t movie, UINT size, bool isFaulty, std::mt19937& random) {
    const auto key = std::make_pair(movie, size);
    Fault fault = Fault::None;
    uint32_t failingCall = 0;
    if (isFaulty) {
      fault = Faults[random() % std::size(Faults)];
      failingCall = random() % std::max<uint32_t>(references_.at(key).calls, 1);
    }
    FaultyStream stream(movies_[movie].bytes, fault, failingCall, random());
    Outcome outcome;
    const std::string failed = Ask(getClassObject_, &stream, size, &outcome);
    const std::string what = movies_[movie].name + " at " + std::to_string(size);
    if (!failed.empty()) Problem(what + ": " + failed);
    if (stream.refs() != 1) Problem(what + ": a stream reference leaked");

    ++requests_;
    if (large_[movie]) ++largeRequests_;
    if (FAILED(outcome.hr)) ++failures_;
    if (isFaulty) {
      ++faulty_;
      if (stream.struck()) ++struck_;
      if (SUCCEEDED(outcome.hr) && !(outcome == references_.at(key).outcome)) {
        Problem(what + ": a faulty stream gave another result than a clean one");
      }
      return;
    }
    std::lock_guard<std::mutex> hold(lock_);
    const auto [reference, added] =
        references_.try_emplace(key, Reference{outcome, stream.calls()});
    if (!added && !(reference->second.outcome == outcome)) {
      Problem(what + ": two clean requests gave different results");
    }
  }

  void Problem(const std::string& text) {
    // Only the first few are printed; the count says how many there were.
    if (problems_++ < 10) std::fprintf(stderr, "PROBLEM: %s\n", text.c_str());
  }

  const std::vector<Movie> movies_;
  const GetClassObjectFn getClassObject_;
  std::vector<bool> large_;
  std::vector<size_t> deck_;  // movie indices, each as often as its weight
  std::mutex lock_;           // guards references_ during the first round
  std::map<std::pair<size_t, UINT>, Reference> references_;
  std::atomic<int> requests_{0}, largeRequests_{0}, faulty_{0}, struck_{0}, failures_{0};
  std::atomic<int> problems_{0};
};

// The movies of the directories, with broken copies of a few of them.
bool LoadMovies(int count, wchar_t** directories, std::vector<Movie>* movies) {
  for (int i = 0; i < count; ++i) AddMoviesIn(directories[i], movies);
  const Movie* large = Find(*movies, "hap1_1920x1080.mov");  // its movie atom in front
  const Movie* alpha = Find(*movies, "hap5_320x240.mov");    // its movie atom at the end
  const Movie* plain = Find(*movies, "hap1_640x360.mov");
  const Movie* ycocg = Find(*movies, "hapy_480x272.mov");
  if (large == nullptr || alpha == nullptr || plain == nullptr || ycocg == nullptr) return false;
  std::vector<Movie> broken = {
      CutShort(*large, 0.4),           // the middle frame is missing
      CutShort(*alpha, 0.5),           // the movie atom is missing
      Overwritten(*plain, 0.3, 0.7),   // frames overwritten
      Overwritten(*ycocg, 0.95, 1.0),  // the movie atom overwritten
  };
  const char notes[] = "Some other program's notes, saved with the wrong extension.";
  broken.push_back(Movie{"not a movie", std::vector<BYTE>(notes, notes + sizeof notes)});
  for (Movie& movie : broken) movies->push_back(std::move(movie));
  return true;
}

int Run(int directoryCount, wchar_t** directories) {
  std::vector<Movie> movies;
  if (!LoadMovies(directoryCount, directories, &movies)) {
    std::fprintf(stderr, "the movies are missing; run tests/movies/make_movies.sh DIR --large\n");
    return 2;
  }
  const std::wstring here = ProgramDirectory();
  HMODULE orvelle = LoadLibraryW((here + L"orvelle.dll").c_str());
  HMODULE standin = LoadLibraryW((here + L"standin_handler.dll").c_str());
  if (orvelle == nullptr || standin == nullptr) return 2;
  const auto getClassObject = Export<GetClassObjectFn>(orvelle, "DllGetClassObject");
  const auto canUnloadNow = Export<NoArgumentFn>(orvelle, "DllCanUnloadNow");
  const auto registerStandIn = Export<NoArgumentFn>(standin, "DllRegisterServer");
  const auto unregisterStandIn = Export<NoArgumentFn>(standin, "DllUnregisterServer");
  if (getClassObject == nullptr || canUnloadNow == nullptr || registerStandIn == nullptr ||
      unregisterStandIn == nullptr || FAILED(registerStandIn())) {
    return 2;
  }

  const ULONGLONG start = GetTickCount64();
  LoadTest test(std::move(movies), getClassObject);
  test.FirstRound();
  const double afterFirstRound = CommittedMiB();
  std::printf("after the first round: ");
  test.PrintCounts();
  test.SecondRound();
  const double atEnd = CommittedMiB();
  std::printf("at the end: ");
  test.PrintCounts();
  std::printf("committed memory: %.1f MiB after the first round, %.1f MiB at the end\n",
              afterFirstRound, atEnd);
  std::printf("%d threads, %.1f s\n", Threads, (GetTickCount64() - start) / 1000.0);
  unregisterStandIn();

  bool ok = test.problems() == 0;
  if (atEnd - afterFirstRound > MemoryBoundMiB) {
    std::fprintf(stderr, "committed memory grew by more than %.0f MiB\n", MemoryBoundMiB);
    ok = false;
  }
  if (canUnloadNow() != S_OK) {
    std::fprintf(stderr, "DllCanUnloadNow is not S_OK at the end\n");
    ok = false;
  }
  return ok ? 0 : 1;
}

// The index TlsAlloc would hand out next: it rises for good when a module takes one and
// does not give it back.
DWORD NextFreeTlsIndex() {
  const DWORD index = TlsAlloc();
  TlsFree(index);
  return index;
}

// One cycle of COM with an idle in-process server: load the DLL, make one thumbnail, free
// the DLL once it says it can go. Returns what went wrong, if anything.
std::string LoadAskAndFree(const std::wstring& dll, const Movie& movie, Outcome* outcome) {
  HMODULE orvelle = LoadLibraryW(dll.c_str());
  const auto getClassObject = Export<GetClassObjectFn>(orvelle, "DllGetClassObject");
  const auto canUnloadNow = Export<NoArgumentFn>(orvelle, "DllCanUnloadNow");
  if (orvelle == nullptr || getClassObject == nullptr || canUnloadNow == nullptr) return "no DLL";
  FaultyStream stream(movie.bytes, Fault::None, 0, 0);
  std::string failed = Ask(getClassObject, &stream, CycleThumbnailSize, outcome);
  if (failed.empty() && (FAILED(outcome->hr) || stream.refs() != 1 || canUnloadNow() != S_OK)) {
    failed = "no thumbnail, a stream reference left or the DLL busy";
  }
  FreeLibrary(orvelle);
  return failed.empty() && GetModuleHandleW(dll.c_str()) != nullptr ? "still loaded" : failed;
}

// load_and_faults --cycles N MOVIE_DIR. The TLS index and the commit charge are taken after
// the first pass over the movies, when the process has made its own one-time allocations.
int RunLoadCycles(int cycles, const std::wstring& directory) {
  std::vector<Movie> movies;
  for (const wchar_t* name : CycleMovies) {
    movies.push_back(Movie{std::string(name, name + wcslen(name)), {}});
    if (!ReadWholeFile(directory + L"\\" + name, &movies.back().bytes)) return 2;
  }
  const std::wstring here = ProgramDirectory();
  HMODULE standin = LoadLibraryW((here + L"standin_handler.dll").c_str());
  const auto registerStandIn = Export<NoArgumentFn>(standin, "DllRegisterServer");
  if (standin == nullptr || registerStandIn == nullptr || FAILED(registerStandIn()) ||
      FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    return 2;
  }
  std::vector<Outcome> first(movies.size());
  const DWORD tlsBeforeLoad = NextFreeTlsIndex();
  DWORD tlsAtStart = 0;
  double committedAtStart = 0;
  int problems = 0;
  for (size_t cycle = 0; cycle < static_cast<size_t>(cycles); ++cycle) {
    const size_t which = cycle % movies.size();
    Outcome outcome;
    std::string failed = LoadAskAndFree(here + L"orvelle.dll", movies[which], &outcome);
    if (cycle < movies.size()) first[which] = outcome;
    if (failed.empty() && !(outcome == first[which])) failed = "not the first cycle's thumbnail";
    if (!failed.empty() && problems++ < 10) {
      std::fprintf(stderr, "PROBLEM: cycle %zu, %s: %s\n", cycle, movies[which].name.c_str(),
                   failed.c_str());
    }
    if (cycle + 1 == movies.size()) {
      tlsAtStart = NextFreeTlsIndex();
      committedAtStart = CommittedMiB();
    }
  }
  const DWORD tlsAtEnd = NextFreeTlsIndex();
  const double committedAtEnd = CommittedMiB();
  Export<NoArgumentFn>(standin, "DllUnregisterServer")();
  std::printf("%d cycles, %d problems; next free TLS index %lu before the first load, %lu at the "
              "start, %lu at the end; committed memory %.3f MiB at the start, %.3f MiB at the end\n",
              cycles, problems, tlsBeforeLoad, tlsAtStart, tlsAtEnd, committedAtStart,
              committedAtEnd);
  const bool kept = tlsAtEnd == tlsAtStart && committedAtEnd - committedAtStart <= CycleMemoryBoundMiB;
  if (!kept) std::fprintf(stderr, "the TLS index or the commit charge did not come back\n");
  return problems == 0 && kept ? 0 : 1;
}

}  // namespace
}  // namespace orvelle::testing

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wcscmp(argv[1], L"--cycles") == 0) {
    return orvelle::testing::RunLoadCycles(_wtoi(argv[2]), argv[3]);
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: load_and_faults MOVIE_DIR... | --cycles N MOVIE_DIR\n");
    return 2;
  }
  return orvelle::testing::Run(argc - 1, argv + 1);
}
