#include "pedigree/BiallelicCheck.h"

#include <algorithm>
#include <cstring>

#include "pedigree/GenotypeLists.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kWord = 64;

}  // namespace

BiallelicCheck::BiallelicCheck(Pedigree& ped, const std::vector<int>& columnOf)
    : families(ped.familyCount) {
   size_t largest = 0;
   for (int f = 0; f < ped.familyCount; f++) {
      Family& family = *ped.families[f];
      Shape& shape = families[f];
      shape.loop = family.count > family.founders && GenotypeList::HasLoop(ped, &family);
      shape.unknownSex = false;
      shape.count = family.count;
      for (int i = 0; i < family.count; i++) {
         const Person& p = *ped.persons[family.path[i]];
         int serial = family.path[i];
         column.push_back(serial < static_cast<int>(columnOf.size()) ? columnOf[serial] : -1);
         this->serial.push_back(serial);
         columns = std::max(columns, column.back() + 1);
         male.push_back(p.sex == SEX_MALE);
         shape.unknownSex |= p.sex != SEX_MALE && p.sex != SEX_FEMALE;
      }
      FamilySibships::Span span = structure.Add(ped, family);
      shape.membersBegin = span.membersBegin;
      shape.sibshipsBegin = span.sibshipsBegin;
      shape.sibshipsEnd = span.sibshipsEnd;
      largest = std::max(largest, static_cast<size_t>(family.count));
   }
   low.resize(columns);
   high.resize(columns);
   planes.resize(largest);
   culpritLanes.resize(largest);
   size_t mostSibships = 0;
   for (const Shape& shape : families)
      mostSibships =
          std::max(mostSibships, static_cast<size_t>(shape.sibshipsEnd - shape.sibshipsBegin));
   queued.resize(mostSibships);
}

long long BiallelicCheck::UnsureCount() const {
   long long total = 0;
   for (const std::vector<int>& list : unsure) total += static_cast<long long>(list.size());
   return total;
}

namespace {

#if defined(__SSE2__)
// Transposes a 16 x 16 matrix of bytes held as 16 rows.
void TransposeBytes(__m128i* r) {
   __m128i t[16];
   for (int i = 0; i < 8; i++) {
      t[i] = _mm_unpacklo_epi8(r[2 * i], r[2 * i + 1]);
      t[i + 8] = _mm_unpackhi_epi8(r[2 * i], r[2 * i + 1]);
   }
   for (int i = 0; i < 4; i++) {
      r[i] = _mm_unpacklo_epi16(t[2 * i], t[2 * i + 1]);
      r[i + 4] = _mm_unpackhi_epi16(t[2 * i], t[2 * i + 1]);
      r[i + 8] = _mm_unpacklo_epi16(t[2 * i + 8], t[2 * i + 9]);
      r[i + 12] = _mm_unpackhi_epi16(t[2 * i + 8], t[2 * i + 9]);
   }
   for (int i = 0; i < 8; i++) {
      t[i] = _mm_unpacklo_epi32(r[2 * i], r[2 * i + 1]);
      t[i + 8] = _mm_unpackhi_epi32(r[2 * i], r[2 * i + 1]);
   }
   // Columns 2g and 2g + 1 are split between t[b] (rows 0-7) and t[b + 1].
   for (int g = 0; g < 8; g++) {
      int b = g & 1 ? 7 + g : g;
      r[2 * g] = _mm_unpacklo_epi64(t[b], t[b + 1]);
      r[2 * g + 1] = _mm_unpackhi_epi64(t[b], t[b + 1]);
   }
}
#endif

}  // namespace

void BiallelicCheck::Transpose(const unsigned char* codes, size_t bytesPerMarker, int markers) {
   size_t bytes = (static_cast<size_t>(columns) + 3) / 4;
   // Each column's low and high bits, 16 markers at a time.
   auto store = [&](size_t c, int quarter, unsigned lowBits, unsigned highBits) {
      if (c >= static_cast<size_t>(columns)) return;
      int shift = 16 * quarter;
      low[c] = (low[c] & ~(uint64_t(0xffff) << shift)) | uint64_t(lowBits & 0xffff) << shift;
      high[c] = (high[c] & ~(uint64_t(0xffff) << shift)) | uint64_t(highBits & 0xffff) << shift;
   };
   size_t j = 0;
#if defined(__SSE2__)
   for (; j + 16 <= bytes; j += 16)
      for (int quarter = 0; quarter * 16 < markers; quarter++) {
         __m128i r[16];
         for (int t = 0; t < 16; t++) {
            int marker = quarter * 16 + t;
            r[t] = marker < markers ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(
                                          codes + marker * bytesPerMarker + j))
                                    : _mm_setzero_si128();
         }
         TransposeBytes(r);
         for (int k = 0; k < 16; k++) {
            // Byte k of every marker: bits 2q and 2q + 1 are person 4(j + k) + q.
            __m128i v = r[k];
            unsigned bit[8];
            for (int q = 7; q >= 0; q--) {
               bit[q] = static_cast<unsigned>(_mm_movemask_epi8(v));
               v = _mm_add_epi8(v, v);
            }
            for (int q = 0; q < 4; q++) store(4 * (j + k) + q, quarter, bit[2 * q], bit[2 * q + 1]);
         }
      }
#endif
   for (; j < bytes; j++)
      for (int quarter = 0; quarter * 16 < markers; quarter++) {
         unsigned bit[8] = {0, 0, 0, 0, 0, 0, 0, 0};
         for (int t = 0; t < 16 && quarter * 16 + t < markers; t++) {
            unsigned byte = codes[(quarter * 16 + t) * bytesPerMarker + j];
            for (int q = 0; q < 8; q++) bit[q] |= (byte >> q & 1) << t;
         }
         for (int q = 0; q < 4; q++) store(4 * j + q, quarter, bit[2 * q], bit[2 * q + 1]);
      }
}

void BiallelicCheck::Check(const unsigned char* codes, size_t bytesPerMarker, int markers,
                           bool xLinked, const unsigned char* unknown) {
   if (static_cast<int>(unsure.size()) < markers) unsure.resize(markers);
   if (static_cast<int>(decided.size()) < markers) decided.resize(markers);
   for (int m = 0; m < markers; m++) {
      unsure[m].clear();
      decided[m].clear();
   }
   unsure.resize(markers);
   decided.resize(markers);
   culpritPool.clear();
   for (int first = 0; first < markers; first += kWord) {
      int n = std::min(kWord, markers - first);
      uint64_t lanes = n == kWord ? ~uint64_t(0) : (uint64_t(1) << n) - 1;
      Transpose(codes + first * bytesPerMarker, bytesPerMarker, n);
      uint64_t unknown1 = 0, unknown2 = 0;
      if (unknown != nullptr)
         for (int t = 0; t < n; t++) {
            unknown1 |= static_cast<uint64_t>((unknown[first + t] & UNKNOWN_ALLELE_1) != 0) << t;
            unknown2 |= static_cast<uint64_t>((unknown[first + t] & UNKNOWN_ALLELE_2) != 0) << t;
         }
      for (size_t f = 0; f < families.size(); f++) {
         const Shape& shape = families[f];
         uint64_t sure = 0;
         bool modeled = !shape.loop && !(xLinked && shape.unknownSex);
         if (modeled) sure = Consistent(shape, xLinked, unknown1, unknown2);
         for (uint64_t left = lanes & ~sure; left; left &= left - 1)
            unsure[first + __builtin_ctzll(left)].push_back(static_cast<int>(f));
         if (modeled && (lanes & ~sure) && shape.count <= kMostSearched)
            FindCulprits(static_cast<int>(f), shape, xLinked, unknown1, unknown2, lanes & ~sure,
                         first);
      }
   }
}

void BiallelicCheck::FindCulprits(int family, const Shape& shape, bool xLinked, uint64_t unknown1,
                                  uint64_t unknown2, uint64_t inconsistent, int first) {
   const int* col = column.data() + shape.membersBegin;
   for (int i = 0; i < shape.count; i++) {
      culpritLanes[i] = 0;
      if (col[i] < 0) continue;
      uint64_t lo = low[col[i]], hi = high[col[i]];
      uint64_t typed = ~((lo & ~hi) | (unknown1 & ~lo) | (unknown2 & hi)) & inconsistent;
      if (typed) culpritLanes[i] = typed & Consistent(shape, xLinked, unknown1, unknown2, i);
   }
   // Members in the pedigree's order, as the search names them.
   std::vector<std::pair<int, int>> members;  // serial, member
   for (int i = 0; i < shape.count; i++) members.emplace_back(serial[shape.membersBegin + i], i);
   std::sort(members.begin(), members.end());
   for (uint64_t left = inconsistent; left; left &= left - 1) {
      int lane = __builtin_ctzll(left);
      Decided entry{family, culpritPool.size(), 0};
      for (auto [person, i] : members)
         if (culpritLanes[i] >> lane & 1) culpritPool.push_back(person);
      entry.end = culpritPool.size();
      decided[first + lane].push_back(entry);
   }
}

bool BiallelicCheck::Culprits(int family, int marker, std::vector<int>& persons) const {
   const std::vector<Decided>& list = decided[marker];
   auto found = std::lower_bound(list.begin(), list.end(), family,
                                 [](const Decided& d, int f) { return d.family < f; });
   if (found == list.end() || found->family != family) return false;
   persons.assign(culpritPool.data() + found->begin, culpritPool.data() + found->end);
   return true;
}

uint64_t BiallelicCheck::Consistent(const Shape& shape, bool xLinked, uint64_t unknown1,
                                    uint64_t unknown2, int leftOut) {
   const uint64_t all = ~uint64_t(0);
   Planes* g = planes.data();
   const int* col = column.data() + shape.membersBegin;
   const char* isMale = male.data() + shape.membersBegin;
   for (int i = 0; i < shape.count; i++) {
      if (col[i] < 0 || i == leftOut) {
         g[i] = Planes{all, all, all};
      } else {
         // Codes 00 1/1, 01 missing, 10 1/2, 11 2/2 as low and high bits;
         // a genotype naming an unknown allele is missing.
         uint64_t lo = low[col[i]], hi = high[col[i]];
         uint64_t missing = (unknown1 & ~lo) | (unknown2 & hi);
         g[i] = Planes{~hi | missing, (lo ^ hi) | missing, lo | missing};
      }
      // One X: a male typed 1/2 is left with nothing.
      if (xLinked && isMale[i]) g[i].h = 0;
   }
   const Sibship* sib = structure.sibships.data() + shape.sibshipsBegin;
   const int* kids = structure.kids.data();
   int sibshipCount = shape.sibshipsEnd - shape.sibshipsBegin;
   queue.clear();
   for (int s = sibshipCount - 1; s >= 0; s--) {
      queue.push_back(s);
      queued[s] = 1;
   }
   const int* kidOfMember = structure.kidOf.data() + shape.membersBegin;
   const int* parentsBegin = structure.parentOfBegin.data() + shape.membersBegin;
   const int* parentsEnd = structure.parentOfEnd.data() + shape.membersBegin;
   auto wake = [&](int member, int except) {
      int s = kidOfMember[member];
      if (s >= 0 && s != except && !queued[s]) {
         queued[s] = 1;
         queue.push_back(s);
      }
      for (int j = parentsBegin[member]; j < parentsEnd[member]; j++) {
         s = structure.parentOf[j];
         if (s != except && !queued[s]) {
            queued[s] = 1;
            queue.push_back(s);
         }
      }
   };
   auto narrow = [&](int member, const Planes& kept, int s) {
      Planes& old = g[member];
      if (kept.a == old.a && kept.h == old.h && kept.b == old.b) return;
      old = kept;
      wake(member, s);
   };
   for (size_t head = 0; head < queue.size(); head++) {
      int s = queue[head];
      queued[s] = 0;
      const Sibship& sibship = sib[s];
      // For each couple of parental genotypes, whether every child may be a
      // child of theirs: children of 1/1 and 1/2 are 1/1 or 1/2, and so on.
      uint64_t aa = all, ah = all, ab = all, hh = all, hb = all, bb = all;
      uint64_t sonA = all, sonH = all, sonB = all;  // one X: from the mother alone
      for (int j = sibship.kidsBegin; j < sibship.kidsEnd; j++) {
         const Planes& c = g[kids[j]];
         if (xLinked && isMale[kids[j]]) {
            sonA &= c.a;
            sonH &= c.a | c.b;
            sonB &= c.b;
            continue;
         }
         aa &= c.a;
         ah &= c.a | c.h;
         ab &= c.h;
         hh &= c.a | c.h | c.b;
         hb &= c.h | c.b;
         bb &= c.b;
      }
      const Planes f = g[sibship.father], m = g[sibship.mother];
      uint64_t vAA = f.a & m.a & aa & sonA, vAH = f.a & m.h & ah & sonH,
               vAB = f.a & m.b & ab & sonB;
      uint64_t vHA = f.h & m.a & ah & sonA, vHH = f.h & m.h & hh & sonH,
               vHB = f.h & m.b & hb & sonB;
      uint64_t vBA = f.b & m.a & ab & sonA, vBH = f.b & m.h & hb & sonH,
               vBB = f.b & m.b & bb & sonB;
      Planes father{vAA | vAH | vAB, vHA | vHH | vHB, vBA | vBH | vBB};
      Planes mother{vAA | vHA | vBA, vAH | vHH | vBH, vAB | vHB | vBB};
      // Couples that can give a child each genotype.
      uint64_t toA = vAA | vAH | vHA | vHH, toB = vHH | vHB | vBH | vBB;
      uint64_t toH = vAH | vHA | vAB | vBA | vHH | vHB | vBH;
      uint64_t sonToA = mother.a | mother.h, sonToB = mother.h | mother.b;
      narrow(sibship.father, father, s);
      narrow(sibship.mother, mother, s);
      for (int j = sibship.kidsBegin; j < sibship.kidsEnd; j++) {
         const Planes& c = g[kids[j]];
         if (xLinked && isMale[kids[j]])
            narrow(kids[j], Planes{c.a & sonToA, 0, c.b & sonToB}, s);
         else
            narrow(kids[j], Planes{c.a & toA, c.h & toH, c.b & toB}, s);
      }
   }
   uint64_t consistent = all;
   for (int i = 0; i < shape.count; i++) consistent &= g[i].a | g[i].h | g[i].b;
   return consistent;
}
