#include "base/Hash.h"

#include <cctype>
#include <cstdint>

namespace {

// The lookup2 96-bit mix: reversible, and every input bit affects every
// output bit of c.
inline void Mix(uint32_t& a, uint32_t& b, uint32_t& c) {
   a -= b;
   a -= c;
   a ^= (c >> 13);
   b -= c;
   b -= a;
   b ^= (a << 8);
   c -= a;
   c -= b;
   c ^= (b >> 13);
   a -= b;
   a -= c;
   a ^= (c >> 12);
   b -= c;
   b -= a;
   b ^= (a << 16);
   c -= a;
   c -= b;
   c ^= (b >> 5);
   a -= b;
   a -= c;
   a ^= (c >> 3);
   b -= c;
   b -= a;
   b ^= (a << 10);
   c -= a;
   c -= b;
   c ^= (b >> 15);
}

struct Plain {
   uint32_t operator()(unsigned char byte) const { return byte; }
};

struct Upper {
   uint32_t operator()(unsigned char byte) const {
      return static_cast<unsigned char>(toupper(byte));
   }
};

// One body for both hashes; `byte` maps each input byte before it is mixed in.
template <class Byte>
uint32_t Lookup2(const unsigned char* k, uint32_t length, uint32_t initval, Byte byte) {
   uint32_t a = 0x9e3779b9, b = 0x9e3779b9, c = initval;
   uint32_t len = length;

   while (len >= 12) {
      a += byte(k[0]) + (byte(k[1]) << 8) + (byte(k[2]) << 16) + (byte(k[3]) << 24);
      b += byte(k[4]) + (byte(k[5]) << 8) + (byte(k[6]) << 16) + (byte(k[7]) << 24);
      c += byte(k[8]) + (byte(k[9]) << 8) + (byte(k[10]) << 16) + (byte(k[11]) << 24);
      Mix(a, b, c);
      k += 12;
      len -= 12;
   }

   // The low byte of c is reserved for the length.
   c += length;
   switch (len) {
      case 11:
         c += byte(k[10]) << 24;
         [[fallthrough]];
      case 10:
         c += byte(k[9]) << 16;
         [[fallthrough]];
      case 9:
         c += byte(k[8]) << 8;
         [[fallthrough]];
      case 8:
         b += byte(k[7]) << 24;
         [[fallthrough]];
      case 7:
         b += byte(k[6]) << 16;
         [[fallthrough]];
      case 6:
         b += byte(k[5]) << 8;
         [[fallthrough]];
      case 5:
         b += byte(k[4]);
         [[fallthrough]];
      case 4:
         a += byte(k[3]) << 24;
         [[fallthrough]];
      case 3:
         a += byte(k[2]) << 16;
         [[fallthrough]];
      case 2:
         a += byte(k[1]) << 8;
         [[fallthrough]];
      case 1:
         a += byte(k[0]);
         break;
      default:
         break;
   }
   Mix(a, b, c);
   return c;
}

}  // namespace

unsigned int hash(const unsigned char* key, unsigned int length, unsigned int initval) {
   return Lookup2(key, length, initval, Plain());
}

unsigned int hash_no_case(const unsigned char* key, unsigned int length, unsigned int initval) {
   return Lookup2(key, length, initval, Upper());
}
