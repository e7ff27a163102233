// The library's hash function for byte sequences: Bob Jenkins' 1996 lookup2,
// unchanged, so hash values agree with every other lookup2 user. The string
// hash tables and IntArray::Hash rely on it.
//
// hash_no_case folds each byte with toupper first, so keys that differ only in
// letter case hash equally; on keys without lower-case letters it equals hash.
#ifndef LOCI_BASE_HASH_H
#define LOCI_BASE_HASH_H

// The lookup2 hash of `length` bytes, seeded with `initval`.
unsigned int hash(const unsigned char* key, unsigned int length, unsigned int initval);

// lookup2 over toupper of each byte.
unsigned int hash_no_case(const unsigned char* key, unsigned int length, unsigned int initval);

#endif
