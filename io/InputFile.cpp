#include "io/InputFile.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "base/StringBasics.h"
#include "io/InputFile_internal.h"

namespace {
std::mutex namesMutex;
std::map<const void*, std::string>& Names() {
   static std::map<const void*, std::string> names;
   return names;
}
}  // namespace

void loci_internal::NameStream(const void* stream, const char* name) {
   if (stream == nullptr) return;
   std::lock_guard<std::mutex> lock(namesMutex);
   Names()[stream] = name == nullptr ? "" : name;
}

void loci_internal::ForgetStream(const void* stream) {
   std::lock_guard<std::mutex> lock(namesMutex);
   Names().erase(stream);
}

const char* loci_internal::StreamName(const void* stream) {
   std::lock_guard<std::mutex> lock(namesMutex);
   auto found = Names().find(stream);
   // The entry lives until its stream is closed, after the message is out.
   return found == Names().end() ? "(open stream)" : found->second.c_str();
}

IFILE::IFILE(const char* name, const char* mode) : gzMode(true), handle(nullptr) {
   handle = gzopen64(name, mode);
   if (handle != nullptr) {
      loci_internal::NameStream(handle, name);
      return;
   }

   // A name ending in ".gz" was meant for zlib; stdio would not do better.
   size_t len = strlen(name);
   if (len >= 3 && memcmp(name + len - 3, ".gz", 3) == 0) return;

   gzMode = false;
   handle = fopen(name, mode);
   loci_internal::NameStream(handle, name);
}

IFILE ifopen(const char* name, const char* mode) {
   return IFILE(name, mode);
}

int ifclose(IFILE& file) {
   loci_internal::ForgetStream(file.handle);
   int result = file.gzMode ? gzclose(static_cast<gzFile>(file.handle))
                            : fclose(static_cast<FILE*>(file.handle));
   file.handle = nullptr;
   return result;
}

int iferror(IFILE& file) {
   if (file.handle == nullptr) return 0;
   if (!file.gzMode) return ferror(static_cast<FILE*>(file.handle));
   int errnum = Z_OK;
   gzerror(static_cast<gzFile>(file.handle), &errnum);
   return errnum != Z_OK;
}

const char* ifstrerror(IFILE& file) {
   if (!iferror(file)) return "no error";
   if (!file.gzMode) return errno != 0 ? strerror(errno) : "read error";
   int errnum = Z_OK;
   const char* text = gzerror(static_cast<gzFile>(file.handle), &errnum);
   // zlib puts the path in front ("name: reason"); callers name the file themselves.
   const char* reason = text;
   for (const char* p = text; (p = strstr(p, ": ")) != nullptr; p += 2) reason = p + 2;
   return reason;
}

int ifeof(IFILE& file) {
   if (file.gzMode) {
      gzFile gz = static_cast<gzFile>(file.handle);
      return gzeof(gz) || iferror(file);
   }
   FILE* f = static_cast<FILE*>(file.handle);
   return feof(f) || ferror(f);
}

int ifprintf(IFILE file, const char* format, ...) {
   va_list ap;
   va_start(ap, format);
   int result;
   if (file.gzMode) {
      String text;
      text.vprintf(format, ap);
      result =
          gzwrite(static_cast<gzFile>(file.handle), static_cast<const char*>(text), text.Length());
   } else {
      result = vfprintf(static_cast<FILE*>(file.handle), format, ap);
   }
   va_end(ap);
   return result;
}
