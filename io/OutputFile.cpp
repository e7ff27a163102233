#include "io/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "io/Error.h"

namespace {

// Temporary files still to be removed if the run ends before committing
// them. Fixed storage, so that a signal handler may walk it safely.
const int kSlots = 16;
char pendingNames[kSlots][PATH_MAX];
volatile sig_atomic_t pendingUsed[kSlots];

void RemovePending() {
   for (int i = 0; i < kSlots; i++)
      if (pendingUsed[i]) {
         unlink(pendingNames[i]);
         pendingUsed[i] = 0;
      }
}

extern "C" void RemovePendingAndRaise(int signal) {
   RemovePending();
   ::signal(signal, SIG_DFL);
   raise(signal);
}

void InstallCleanup() {
   static bool installed = false;
   if (installed) return;
   installed = true;
   atexit(RemovePending);
   // Dispositions set by the caller (an ignored SIGHUP under nohup) stay.
   for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
      struct sigaction current;
      if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
         struct sigaction action;
         memset(&action, 0, sizeof(action));
         action.sa_handler = RemovePendingAndRaise;
         sigemptyset(&action.sa_mask);
         sigaction(signal, &action, nullptr);
      }
   }
   // Past a file-size limit a write then fails with EFBIG, which is reported
   // like a full disk, instead of killing the run.
   struct sigaction current;
   if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
      signal(SIGXFSZ, SIG_IGN);
}

int AddPending(const std::string& name) {
   if (name.size() >= PATH_MAX) return -1;
   for (int i = 0; i < kSlots; i++)
      if (!pendingUsed[i]) {
         memcpy(pendingNames[i], name.c_str(), name.size() + 1);
         pendingUsed[i] = 1;
         return i;
      }
   return -1;
}

bool Identity(const char* name, struct stat& info) {
   return name != nullptr && name[0] != 0 && stat(name, &info) == 0;
}

// The file a name reaches: a symbolic link is replaced by what it points to,
// so that renaming over it keeps the link.
std::string Target(const char* name) {
   struct stat info;
   if (lstat(name, &info) == 0 && S_ISLNK(info.st_mode)) {
      char* resolved = realpath(name, nullptr);
      if (resolved != nullptr) {
         std::string target(resolved);
         free(resolved);
         return target;
      }
   }
   return name;
}

std::string Directory(const std::string& path) {
   size_t slash = path.rfind('/');
   if (slash == std::string::npos) return ".";
   return slash == 0 ? "/" : path.substr(0, slash);
}

mode_t CreationMode() {
   mode_t mask = umask(0);
   umask(mask);
   return 0666 & ~mask;
}

}  // namespace

bool SameFile(const char* a, const char* b) {
   struct stat first, second;
   return Identity(a, first) && Identity(b, second) && first.st_dev == second.st_dev &&
          first.st_ino == second.st_ino;
}

void RefuseToReplaceInputs(const char* output, const std::vector<std::string>& inputs) {
   for (const std::string& input : inputs)
      if (SameFile(output, input.c_str()))
         error(
             "Output file [%s] is the input file [%s]: an input is never replaced, "
             "nothing was written\n",
             output, input.c_str());
}

OutputFile::~OutputFile() {
   Abandon();
}

bool OutputFile::Open(const char* name) {
   Abandon();
   reason.clear();
   finalName = Target(name);
   temporaryName.clear();

   struct stat info;
   bool exists = stat(finalName.c_str(), &info) == 0;
   if (exists && !S_ISREG(info.st_mode)) {
      stream = fopen(finalName.c_str(), "w");
      if (stream == nullptr) Fail(errno);
      return stream != nullptr;
   }

   InstallCleanup();
   std::string pattern = finalName + ".tmp.XXXXXX";
   std::vector<char> buffer(pattern.begin(), pattern.end());
   buffer.push_back(0);
   int fd = mkstemp(buffer.data());
   if (fd < 0 && errno == ENAMETOOLONG) {
      pattern = Directory(finalName) + "/.tmp.XXXXXX";
      buffer.assign(pattern.begin(), pattern.end());
      buffer.push_back(0);
      fd = mkstemp(buffer.data());
   }
   if (fd < 0) {
      Fail(errno);
      return false;
   }
   temporaryName = buffer.data();
   slot = AddPending(temporaryName);
   // The mode a new file would get from fopen, or the one the replaced file had.
   fchmod(fd, exists ? (info.st_mode & 07777) : CreationMode());
   stream = fdopen(fd, "w");
   if (stream == nullptr) {
      int saved = errno;
      close(fd);
      Fail(saved);
      return false;
   }
   return true;
}

bool OutputFile::Close() {
   if (stream == nullptr) return closed;
   bool failed = ferror(stream) != 0;
   int saved = errno;
   if (fclose(stream) != 0 && !failed) {
      failed = true;
      saved = errno;
   }
   stream = nullptr;
   if (failed) {
      Fail(saved);
      return false;
   }
   closed = true;
   return true;
}

bool OutputFile::Commit() {
   if (!Close()) return false;
   closed = false;
   if (!temporaryName.empty() && rename(temporaryName.c_str(), finalName.c_str()) != 0) {
      Fail(errno);
      return false;
   }
   if (slot >= 0) pendingUsed[slot] = 0;
   slot = -1;
   temporaryName.clear();
   return true;
}

void OutputFile::Abandon() {
   if (stream != nullptr) fclose(stream);
   stream = nullptr;
   closed = false;
   if (!temporaryName.empty()) unlink(temporaryName.c_str());
   if (slot >= 0) pendingUsed[slot] = 0;
   slot = -1;
   temporaryName.clear();
}

void OutputFile::Fail(int error) {
   reason = strerror(error == 0 ? EIO : error);
   Abandon();
}

void OutputSet::Input(const std::string& name) {
   struct stat info;
   if (Identity(name.c_str(), info) && !S_ISCHR(info.st_mode))
      inputs.push_back({info.st_dev, info.st_ino, name});
}

void OutputSet::StandardInput() {
   struct stat info;
   if (fstat(0, &info) == 0 && !S_ISCHR(info.st_mode))
      inputs.push_back({info.st_dev, info.st_ino, "(standard input)"});
}

void OutputSet::Check(const std::string& output) const {
   struct stat info;
   if (!Identity(output.c_str(), info)) return;
   for (const Known& input : inputs)
      if (input.device == info.st_dev && input.inode == info.st_ino)
         error(
             "Output file [%s] is the input file [%s]: an input is never replaced, "
             "nothing was written\n",
             output.c_str(), input.name.c_str());
   // Outputs that are devices or pipes are written directly, and may meet.
   if (!S_ISREG(info.st_mode)) return;
   for (const auto& other : outputs)
      if (SameFile(output.c_str(), other->name.c_str()))
         error("Output files [%s] and [%s] are one file: nothing was written\n",
               other->name.c_str(), output.c_str());
}

FILE* OutputSet::Open(const std::string& name) {
   Check(name);
   outputs.push_back(std::make_unique<Output>());
   Output& output = *outputs.back();
   output.name = name;
   if (!output.file.Open(name.c_str()))
      error("Error opening output file [%s]: %s\n", name.c_str(), output.file.Reason().c_str());
   return output.file.Stream();
}

void OutputSet::CommitAll() {
   // The temporary files of every output are removed by the fatal error.
   for (const auto& output : outputs)
      if (!output->file.Close())
         error("Could not write the output file [%s]: %s\n", output->name.c_str(),
               output->file.Reason().c_str());
   for (const auto& output : outputs)
      if (!output->file.Commit())
         error("Could not write the output file [%s]: %s\n", output->name.c_str(),
               output->file.Reason().c_str());
}
