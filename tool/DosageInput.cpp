#include "tool/DosageInput.h"

#include <sys/stat.h>

#include <atomic>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef LOCI_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#endif

namespace {

#ifdef LOCI_HAVE_ISAL

uint64_t SizeOf(const char* filename) {
   struct stat info;
   if (filename == nullptr || stat(filename, &info) != 0 || !S_ISREG(info.st_mode)) return 0;
   return static_cast<uint64_t>(info.st_size);
}

// zlib's words for what went wrong, so that both decoders report a damaged
// file alike.
std::string ZlibReason(const std::string& filename) {
   IFILE file = ifopen(filename.c_str(), "rb");
   if (file == nullptr) return strerror(errno);
   std::vector<char> scratch(1 << 16);
   while (gzread(static_cast<gzFile>(file.handle), scratch.data(), scratch.size()) > 0) {
   }
   std::string reason = iferror(file) ? ifstrerror(file) : "invalid compressed data";
   ifclose(file);
   return reason;
}

class IsalSource : public BlockSource {
public:
   IsalSource(FILE* stream, const char* filename, uint64_t size)
       : stream(stream), filename(filename), size(size), input(kInputSize) {
      isal_inflate_init(&state);
      state.crc_flag = ISAL_GZIP;
   }
   ~IsalSource() override { fclose(stream); }

   size_t Read(char* buffer, size_t capacity) override {
      size_t produced = 0;
      while (produced == 0 && mode != kDone) {
         switch (mode) {
            case kStart: {
               // As zlib: a gzip header at the start means gzip, anything
               // else is passed through unchanged.
               if (!Fill(2)) return 0;
               bool gzip =
                   state.avail_in >= 2 && state.next_in[0] == 0x1f && state.next_in[1] == 0x8b;
               mode = gzip ? kMember : kDirect;
               if (gzip && !HeaderFlagsKnown()) return 0;
               break;
            }
            case kDirect: {
               if (state.avail_in == 0 && !Fill(1)) return 0;
               if (state.avail_in == 0) {
                  mode = kDone;
                  break;
               }
               size_t n = state.avail_in < capacity ? state.avail_in : capacity;
               memcpy(buffer, state.next_in, n);
               state.next_in += n;
               state.avail_in -= static_cast<uint32_t>(n);
               produced = n;
               break;
            }
            case kMember: {
               // Only when the decoder stopped for lack of input does an empty
               // buffer call for more: it may still hold output of its own.
               if (state.avail_in == 0 && needInput) {
                  if (!Fill(1)) return produced;
                  if (state.avail_in == 0) {
                     // The file ends inside a member.
                     Fail();
                     return produced;
                  }
               }
               size_t room = capacity - produced;
               if (room > (1u << 30)) room = 1u << 30;
               state.next_out = reinterpret_cast<uint8_t*>(buffer + produced);
               state.avail_out = static_cast<uint32_t>(room);
               int rc = isal_inflate(&state);
               produced += room - state.avail_out;
               needInput = state.avail_out > 0;
               if (rc < 0) {
                  Fail();
                  return produced;
               }
               if (state.block_state == ISAL_BLOCK_FINISH) mode = kLook;
               break;
            }
            case kLook: {
               // Another member, or (as zlib has it) trailing garbage to ignore.
               if (!Fill(2)) return produced;
               if (state.avail_in >= 2 && state.next_in[0] == 0x1f && state.next_in[1] == 0x8b) {
                  needInput = true;
                  uint8_t* next = state.next_in;
                  uint32_t avail = state.avail_in;
                  isal_inflate_reset(&state);
                  state.crc_flag = ISAL_GZIP;
                  state.next_in = next;
                  state.avail_in = avail;
                  mode = kMember;
                  if (!HeaderFlagsKnown()) return produced;
               } else {
                  mode = kDone;
               }
               break;
            }
            case kDone:
               break;
         }
      }
      return produced;
   }

   bool Failed() override { return failed; }
   std::string Reason() override {
      if (reason.empty()) reason = ZlibReason(filename);
      return reason;
   }
   uint64_t Consumed() const override { return consumed.load(std::memory_order_relaxed); }
   uint64_t FileSize() const override { return size; }

private:
   enum Mode { kStart, kDirect, kMember, kLook, kDone };
   static const size_t kInputSize = 1 << 20;

   // Makes at least `want` input bytes available where the file has them;
   // false after a read error.
   bool Fill(uint32_t want) {
      if (state.avail_in >= want) return true;
      if (state.avail_in > 0 && state.next_in != input.data())
         memmove(input.data(), state.next_in, state.avail_in);
      state.next_in = input.data();
      while (state.avail_in < want && !feof(stream)) {
         size_t got =
             fread(input.data() + state.avail_in, 1, input.size() - state.avail_in, stream);
         consumed.fetch_add(got, std::memory_order_relaxed);
         state.avail_in += static_cast<uint32_t>(got);
         if (got == 0 && ferror(stream)) {
            reason = strerror(errno);
            Fail();
            return false;
         }
      }
      return true;
   }

   // zlib refuses a gzip header with reserved flag bits set, which ISA-L
   // would pass over: refuse it alike.
   bool HeaderFlagsKnown() {
      if (!Fill(4)) return false;
      if (state.avail_in >= 4 && (state.next_in[3] & 0xe0) != 0) {
         Fail();
         return false;
      }
      return true;
   }

   void Fail() {
      failed = true;
      mode = kDone;
   }

   FILE* stream;
   std::string filename;
   uint64_t size;
   std::atomic<uint64_t> consumed{0};  // read by the parsing thread for progress
   std::vector<uint8_t> input;
   inflate_state state;
   Mode mode = kStart;
   bool needInput = true;
   bool failed = false;
   std::string reason;
};

#endif

}  // namespace

bool HaveFastGzip() {
#ifdef LOCI_HAVE_ISAL
   return true;
#else
   return false;
#endif
}

std::unique_ptr<BlockSource> OpenFastGzipSource(const char* filename) {
#ifdef LOCI_HAVE_ISAL
   uint64_t size = SizeOf(filename);
   struct stat info;
   if (stat(filename, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
   FILE* stream = fopen(filename, "rb");
   if (stream == nullptr) return nullptr;
   return std::unique_ptr<BlockSource>(new IsalSource(stream, filename, size));
#else
   (void)filename;
   return nullptr;
#endif
}
