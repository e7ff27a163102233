// Converts a VCF file to compressed BCF with its index, or to bgzip VCF,
// through htslib, for the benchmark and the test data of r2_hat_vcf:
//   vcf_to_bcf IN.vcf OUT.bcf      writes OUT.bcf and OUT.bcf.csi
//   vcf_to_bcf IN.vcf OUT.vcf.gz   writes OUT.vcf.gz (BGZF blocks)
#include <cstdio>
#include <cstring>

#include <htslib/hts.h>
#include <htslib/vcf.h>

int main(int argc, char** argv) {
   if (argc != 3) {
      fprintf(stderr, "usage: vcf_to_bcf IN.vcf OUT.bcf\n");
      return 2;
   }
   htsFile* in = hts_open(argv[1], "r");
   bcf_hdr_t* header = in != nullptr ? bcf_hdr_read(in) : nullptr;
   size_t length = strlen(argv[2]);
   bool text = length > 3 && strcmp(argv[2] + length - 3, ".gz") == 0;
   htsFile* out = hts_open(argv[2], text ? "wz" : "wb");
   if (header == nullptr || out == nullptr || bcf_hdr_write(out, header) != 0) {
      fprintf(stderr, "vcf_to_bcf: cannot convert %s to %s\n", argv[1], argv[2]);
      return 1;
   }
   bcf1_t* record = bcf_init();
   int status;
   while ((status = bcf_read(in, header, record)) == 0)
      if (bcf_write(out, header, record) != 0) status = -2;
   bcf_destroy(record);
   bcf_hdr_destroy(header);
   hts_close(in);
   if (hts_close(out) != 0 || status < -1 || (!text && bcf_index_build(argv[2], 14) != 0)) {
      fprintf(stderr, "vcf_to_bcf: cannot convert %s to %s\n", argv[1], argv[2]);
      return 1;
   }
   return 0;
}
