// Helpers shared by the unit tests and the fuzz targets, free of any test
// framework: scratch folders that clean up after themselves, gzip, whole-file
// reads, capture of standard output, and the fuzz targets' set-up.
//
// The line readers of input files keep one process-wide line-end memory;
// ResetLineEndMemory makes every run that reads files start alike.
#ifndef LOCI_TESTS_SUPPORT_SUPPORT_H
#define LOCI_TESTS_SUPPORT_SUPPORT_H

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include <zlib.h>

#include "base/StringBasics_internal.h"
#include "io/Error.h"

namespace testsupport {

// The rest of an open file, which it closes.
inline std::string ReadAll(FILE* f) {
   std::string bytes;
   char chunk[4096];
   for (size_t n; (n = fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, n);
   fclose(f);
   return bytes;
}

// One gzip member holding `bytes`.
inline std::string Gzip(const std::string& bytes, int level = 6) {
   FILE* out = tmpfile();
   gzFile gz = gzdopen(dup(fileno(out)), ("wb" + std::to_string(level)).c_str());
   if (gz == nullptr ||
       gzwrite(gz, bytes.data(), static_cast<unsigned>(bytes.size())) !=
           static_cast<int>(bytes.size()) ||
       gzclose(gz) != Z_OK)
      abort();
   rewind(out);
   return ReadAll(out);
}

// The whole file; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
   FILE* f = fopen(path.c_str(), "rb");
   return f != nullptr ? ReadAll(f) : "";
}

// The directories of live TempDirs, with the process that made each. A death
// test's child process may run a test from its start and end in exit(), which
// unwinds nothing: at exit, a process removes those it made itself (never
// those of the parent it was forked from).
inline std::map<std::string, pid_t>& LiveTempDirs() {
   static std::map<std::string, pid_t> live;
   static const int registered = atexit([] {
      for (const auto& [path, maker] : LiveTempDirs()) {
         std::error_code ignored;
         if (maker == getpid()) std::filesystem::remove_all(path, ignored);
      }
   });
   (void)registered;
   return live;
}

// A fresh directory under TMPDIR, removed with everything in it on destruction.
class TempDir {
public:
   TempDir() {
      const char* base = getenv("TMPDIR");
      path = std::string(base != nullptr && *base ? base : "/tmp") + "/loci-test-XXXXXX";
      if (mkdtemp(&path[0]) == nullptr) abort();
      LiveTempDirs()[path] = getpid();
   }
   ~TempDir() { Remove(); }
   TempDir(const TempDir&) = delete;
   TempDir& operator=(const TempDir&) = delete;

   void Remove() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
      LiveTempDirs().erase(path);
   }
   const std::string& Path() const { return path; }
   // Full path of `name` inside the directory.
   std::string File(const std::string& name) const { return path + "/" + name; }
   // Writes `bytes` to `name` and returns its full path.
   std::string Write(const std::string& name, const std::string& bytes) const {
      std::string full = File(name);
      FILE* f = fopen(full.c_str(), "wb");
      if (f == nullptr || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f))
         abort();
      return full;
   }
   // Writes `bytes` gzip-compressed and returns the full path.
   std::string WriteGzip(const std::string& name, const std::string& bytes) const {
      return Write(name, Gzip(bytes));
   }

private:
   std::string path;
};

inline void ResetLineEndMemory() {
   loci_internal::IfileLineEnd() = 0;
}

// Captures what the process writes to standard output (file descriptor 1,
// through stdio included) between construction and Finish().
class StdoutCapture {
public:
   StdoutCapture() : file(tmpfile()) {
      if (file == nullptr) abort();
      fflush(stdout);
      savedFd = dup(1);
      dup2(fileno(file), 1);
   }
   ~StdoutCapture() { Finish(); }
   StdoutCapture(const StdoutCapture&) = delete;
   StdoutCapture& operator=(const StdoutCapture&) = delete;

   std::string Finish() {
      if (file == nullptr) return "";
      fflush(stdout);
      dup2(savedFd, 1);
      close(savedFd);
      rewind(file);
      std::string text = ReadAll(file);
      file = nullptr;
      return text;
   }

private:
   FILE* file;
   int savedFd;
};

// ---------------------------------------------------------------- fuzz targets
// The library reports fatal input by printing and exiting; a fuzz target must
// survive that, so FuzzScratch() (called first by every target) turns every
// `error` and `numerror` into a thrown Fatal that only ends its own input. It
// also silences standard output and makes the scratch folder of the process.

struct Fatal {};

inline TempDir& FuzzScratch() {
   static TempDir* dir = [] {
      if (freopen("/dev/null", "w", stdout) == nullptr) abort();
      SetFatalHook([] { throw Fatal(); });
      static TempDir made;
      return &made;
   }();
   return *dir;
}

// A violated property: the scratch folder goes, then abort, so the fuzzer
// keeps the input and a replay fails.
#define LOCI_FUZZ_CHECK(condition)                                                          \
   do {                                                                                     \
      if (!(condition)) {                                                                   \
         fprintf(stderr, "%s:%d: fuzz check failed: %s\n", __FILE__, __LINE__, #condition); \
         testsupport::FuzzScratch().Remove();                                               \
         abort();                                                                           \
      }                                                                                     \
   } while (0)

// For readers without any fatal path: a fatal error is itself a failure.
inline int RunWithoutFatal(void (*run)(const uint8_t*, size_t), const uint8_t* data, size_t size) {
   FuzzScratch();
   try {
      run(data, size);
   } catch (const Fatal&) {
      LOCI_FUZZ_CHECK(!"a reader without fatal paths ended in one");
   }
   return 0;
}

}  // namespace testsupport

#endif
