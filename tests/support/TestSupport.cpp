#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <zlib.h>

namespace testsupport {

TempDir::TempDir() {
   const char* base = getenv("TMPDIR");
   std::string pattern =
       std::string(base != nullptr && *base ? base : "/tmp") + "/loci-test-XXXXXX";
   char* made = mkdtemp(&pattern[0]);
   if (made == nullptr) {
      perror("mkdtemp");
      abort();
   }
   path = made;
}

TempDir::~TempDir() {
   std::string command = "rm -rf '" + path + "'";
   if (system(command.c_str()) != 0) fprintf(stderr, "could not remove %s\n", path.c_str());
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
   std::string full = File(name);
   std::ofstream out(full, std::ios::binary);
   out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
   return full;
}

std::string TempDir::WriteGzip(const std::string& name, const std::string& bytes) const {
   return Write(name, Gzip(bytes));
}

std::string ReadFile(const std::string& path) {
   std::ifstream in(path, std::ios::binary);
   std::ostringstream text;
   text << in.rdbuf();
   return text.str();
}

std::string Gzip(const std::string& bytes, int level) {
   z_stream stream;
   memset(&stream, 0, sizeof(stream));
   // 15 + 16: a gzip wrapper rather than a zlib one.
   if (deflateInit2(&stream, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) abort();
   std::string out(deflateBound(&stream, bytes.size()) + 64, '\0');
   stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
   stream.avail_in = static_cast<uInt>(bytes.size());
   stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
   stream.avail_out = static_cast<uInt>(out.size());
   if (deflate(&stream, Z_FINISH) != Z_STREAM_END) abort();
   out.resize(stream.total_out);
   deflateEnd(&stream);
   return out;
}

StdoutCapture::StdoutCapture() : finished(false) {
   fflush(stdout);
   const char* base = getenv("TMPDIR");
   std::string pattern = std::string(base != nullptr && *base ? base : "/tmp") + "/loci-out-XXXXXX";
   int fd = mkstemp(&pattern[0]);
   if (fd < 0) abort();
   file = pattern;
   savedFd = dup(1);
   dup2(fd, 1);
   close(fd);
}

std::string StdoutCapture::Finish() {
   if (finished) return "";
   fflush(stdout);
   dup2(savedFd, 1);
   close(savedFd);
   finished = true;
   std::string text = ReadFile(file);
   unlink(file.c_str());
   return text;
}

StdoutCapture::~StdoutCapture() {
   Finish();
}

namespace internal {
namespace {
StdoutCapture* pendingCapture = nullptr;
std::string pendingExpected;

void CheckAtExit() {
   std::string actual = pendingCapture->Finish();
   if (actual != pendingExpected) {
      fprintf(stderr, "fatal output differs\nexpected: [%s]\nactual:   [%s]\n",
              pendingExpected.c_str(), actual.c_str());
      fflush(stderr);
      _exit(3);
   }
}
}  // namespace

void ExitWithOutputCheck(StdoutCapture& capture, const std::string& expected,
                         const std::function<void()>& body) {
   pendingCapture = &capture;
   pendingExpected = expected;
   atexit(CheckAtExit);
   body();
   std::string actual = capture.Finish();
   fprintf(stderr, "statement returned instead of ending the process; output: [%s]\n",
           actual.c_str());
   _exit(4);
}

}  // namespace internal
}  // namespace testsupport
