// Counts the fields of every line of a text file, plain or gzip-compressed,
// using the loci library from outside: loci_client FILE
#include <cstdio>

#include "loci.h"

int main(int argc, char** argv) {
   if (argc != 2) {
      fprintf(stderr, "usage: loci_client FILE\n");
      return 2;
   }
   IFILE input = ifopen(argv[1], "rb");
   if (input == nullptr) error("File [%s] could not be opened\n", argv[1]);

   String line;
   StringArray fields;
   int lines = 0, total = 0;
   while (!ifeof(input)) {
      line.ReadLine(input);
      if (fields.ReplaceTokens(line, " \t\r\n") == 0) continue;
      lines++;
      total += fields.Length();
   }
   if (iferror(input)) error("File [%s] could not be read: %s\n", argv[1], ifstrerror(input));
   ifclose(input);
   printf("%d lines, %d fields\n", lines, total);
   return 0;
}
