// Names of open input streams, for messages raised far from the code that
// opened them (a line too long for a string). Not installed.
#ifndef LOCI_IO_INPUTFILE_INTERNAL_H
#define LOCI_IO_INPUTFILE_INTERNAL_H

namespace loci_internal {

// Streams opened by ifopen are named by it; a reader of a stdio stream it
// opened itself names it for as long as it reads.
void NameStream(const void* stream, const char* name);
void ForgetStream(const void* stream);
// The name given, or "(open stream)".
const char* StreamName(const void* stream);

// Names a stdio stream for the lifetime of the guard.
class NamedStream {
public:
   NamedStream(const void* stream, const char* name) : stream(stream) { NameStream(stream, name); }
   ~NamedStream() { ForgetStream(stream); }
   NamedStream(const NamedStream&) = delete;
   NamedStream& operator=(const NamedStream&) = delete;

private:
   const void* stream;
};

}  // namespace loci_internal

#endif
