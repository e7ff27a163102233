// Shared by the fuzz targets: a scratch directory, files written from the
// input, gzip compression, and the process set-up every target needs.
//
// The library reports fatal input by printing and exiting. A fuzz target must
// survive that, so InstallFatalHook turns every `error`/`numerror` into a
// FuzzFatal exception that the target catches: one fatal input ends only its
// own run. Targets must therefore open and close files themselves, so that an
// exception never leaves a handle open.
//
// Process-wide: standard output goes to /dev/null (the library's notices are
// noise here); the scratch directory lives until the process exits.
#ifndef LOCI_FUZZ_FUZZSUPPORT_H
#define LOCI_FUZZ_FUZZSUPPORT_H

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <zlib.h>

#include "base/StringBasics.h"
#include "io/Error.h"
#include "io/InputFile.h"

namespace fuzzsupport {

struct FuzzFatal {};

inline std::string& ScratchPath() {
   static std::string path;
   return path;
}

inline void RemoveScratch() {
   if (ScratchPath().empty()) return;
   std::string command = "rm -rf '" + ScratchPath() + "'";
   if (system(command.c_str()) != 0) fprintf(stderr, "could not remove %s\n", command.c_str());
}

// A violated property: the scratch files go, then abort, so the fuzzer keeps
// the input (and a replay fails).
[[noreturn]] inline void Fail() {
   RemoveScratch();
   abort();
}

#define LOCI_FUZZ_CHECK(condition)                                                          \
   do {                                                                                     \
      if (!(condition)) {                                                                   \
         fprintf(stderr, "%s:%d: fuzz check failed: %s\n", __FILE__, __LINE__, #condition); \
         fuzzsupport::Fail();                                                               \
      }                                                                                     \
   } while (0)

[[noreturn]] inline void ThrowFuzzFatal() {
   throw FuzzFatal();
}

// Once per process: silence standard output, make the scratch directory,
// route fatal errors into FuzzFatal.
inline bool SetUp() {
   if (freopen("/dev/null", "w", stdout) == nullptr) abort();
   const char* base = getenv("TMPDIR");
   std::string pattern =
       std::string(base != nullptr && *base ? base : "/tmp") + "/loci-fuzz-XXXXXX";
   if (mkdtemp(&pattern[0]) == nullptr) abort();
   ScratchPath() = pattern;
   atexit(RemoveScratch);
   SetFatalHook(ThrowFuzzFatal);
   return true;
}

// One input through `run`, for readers that have no fatal path at all: a
// fatal error is itself the failure, described by `what`.
inline int RunWithoutFatal(void (*run)(const uint8_t*, size_t), const uint8_t* data, size_t size,
                           const char* what) {
   static const bool ready = SetUp();
   (void)ready;
   try {
      run(data, size);
   } catch (const FuzzFatal&) {
      fprintf(stderr, "fuzz check failed: %s ended in a fatal error\n", what);
      Fail();
   }
   return 0;
}

inline std::string ScratchFile(const char* name) {
   return ScratchPath() + "/" + name;
}

inline std::string WriteScratch(const char* name, const void* data, size_t size) {
   std::string path = ScratchFile(name);
   FILE* f = fopen(path.c_str(), "wb");
   if (f == nullptr) abort();
   if (size > 0 && fwrite(data, 1, size, f) != size) abort();
   if (fclose(f) != 0) abort();
   return path;
}

inline std::string WriteScratch(const char* name, const std::string& bytes) {
   return WriteScratch(name, bytes.data(), bytes.size());
}

inline std::string ReadWhole(const std::string& path, bool& exists) {
   std::string bytes;
   FILE* f = fopen(path.c_str(), "rb");
   exists = f != nullptr;
   if (f == nullptr) return bytes;
   char chunk[4096];
   size_t n;
   while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0) bytes.append(chunk, n);
   fclose(f);
   return bytes;
}

// One gzip member holding `bytes`.
inline std::string Gzip(const void* bytes, size_t size, int level) {
   z_stream stream;
   memset(&stream, 0, sizeof(stream));
   if (deflateInit2(&stream, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) abort();
   std::string out(deflateBound(&stream, size) + 64, '\0');
   stream.next_in = static_cast<Bytef*>(const_cast<void*>(bytes));
   stream.avail_in = static_cast<uInt>(size);
   stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
   stream.avail_out = static_cast<uInt>(out.size());
   if (deflate(&stream, Z_FINISH) != Z_STREAM_END) abort();
   out.resize(stream.total_out);
   deflateEnd(&stream);
   return out;
}

inline std::string Gzip(const std::string& bytes, int level) {
   return Gzip(bytes.data(), bytes.size(), level);
}

// The line reader of input files remembers the last line end across files.
// Reading one line of "x" from a memory stream leaves no line end in that
// memory, so every input starts from the same state and replays alike.
inline void ResetLineEndMemory() {
   static char x[] = "x";
   IFILE f;
   f.gzMode = false;
   f.handle = fmemopen(x, 1, "r");
   if (f.handle == nullptr) abort();
   String line;
   line.ReadLine(f);
   ifclose(f);
}

// Closes an input file when the scope ends, also when a fatal error unwinds it.
class IfileGuard {
public:
   explicit IfileGuard(IFILE& file) : file(file) {}
   ~IfileGuard() {
      if (file.handle != nullptr) ifclose(file);
   }
   IfileGuard(const IfileGuard&) = delete;
   IfileGuard& operator=(const IfileGuard&) = delete;

private:
   IFILE& file;
};

class FileGuard {
public:
   explicit FileGuard(FILE* file) : file(file) {}
   ~FileGuard() {
      if (file != nullptr) fclose(file);
   }
   FileGuard(const FileGuard&) = delete;
   FileGuard& operator=(const FileGuard&) = delete;

private:
   FILE* file;
};

}  // namespace fuzzsupport

#endif
