#include "base/MemoryInfo.h"

String& MemoryInfo(double bytes) {
   static String info;

   // Divisions by powers of two as multiplications by their exact reciprocals.
   if (bytes < 1024.0)
      info = "<1.0 kb";
   else if (bytes < 1048576.0)
      info.printf("%.1f kb", (bytes + 1023.0) * (1.0 / 1024.0));
   else if (bytes < 1073741824.0)
      info.printf("%.1f mb", (bytes + 1048575.0) * (1.0 / 1048576.0));
   else if (bytes < 1099511627776.0)
      info.printf("%.1f gb", bytes * (1.0 / 1073741824.0));
   else
      info.printf("%.1f tb", bytes * (1.0 / 1099511627776.0));
   return info;
}
