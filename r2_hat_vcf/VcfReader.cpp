#include "VcfReader.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <vector>

#include <htslib/bgzf.h>
#include <htslib/hfile.h>
#include <htslib/hts.h>
#include <htslib/hts_log.h>
#include <htslib/kseq.h>
#include <htslib/kstring.h>
#include <htslib/tbx.h>
#include <htslib/vcf.h>

#include "base/StringBasics.h"
#include "io/Error.h"
#include "io/InputFile.h"
#include "quality/Selection.h"

#include "BgzfBlocks.h"
#include "TextLines.h"

namespace {

// Everything opened on the input; closed also when a fatal error unwinds.
struct Input {
   htsFile* fp = nullptr;
   bcf_hdr_t* header = nullptr;
   bcf1_t* record = nullptr;
   tbx_t* tabix = nullptr;
   hts_idx_t* index = nullptr;
   hts_itr_t* region = nullptr;
   kstring_t line = KS_INITIALIZE;

   Input() = default;
   Input(const Input&) = delete;
   Input& operator=(const Input&) = delete;
   ~Input() {
      ks_free(&line);
      if (region != nullptr) hts_itr_destroy(region);
      if (index != nullptr) hts_idx_destroy(index);
      if (tabix != nullptr) tbx_destroy(tabix);
      if (record != nullptr) bcf_destroy(record);
      if (header != nullptr) bcf_hdr_destroy(header);
      if (fp != nullptr) hts_close(fp);
   }
};

bool Declared(const bcf_hdr_t* header, const char* name) {
   return bcf_hdr_idinfo_exists(header, BCF_HL_FMT, bcf_hdr_id2int(header, BCF_DT_ID, name));
}

DosageField ChooseField(const VcfRequest& request, const bcf_hdr_t* header, const char* name) {
   static const DosageField kFields[] = {DosageField::kDS, DosageField::kHDS, DosageField::kGP};
   for (DosageField field : kFields) {
      bool asked = strcasecmp(request.field.c_str(), FieldName(field)) == 0;
      if (!asked && !request.field.empty()) continue;
      if (Declared(header, FieldName(field))) return field;
      if (asked)
         error("File [%s] declares no FORMAT field %s in its header\n", name, FieldName(field));
   }
   if (!request.field.empty())
      error("FORMAT field [%s] cannot give dosages: --field takes DS, HDS or GP\n",
            request.field.c_str());
   error("File [%s] declares none of the FORMAT fields DS, HDS and GP in its header\n", name);
}

void OpenRegion(const VcfRequest& request, Input& in, bool bcf, const char* name) {
   const char* file = request.file.c_str();
   if (request.file == "-") error("--region needs an indexed file, not standard input\n");
   if (bcf) {
      in.index = bcf_index_load3(file, nullptr, HTS_IDX_SILENT_FAIL);
   } else if (hts_get_format(in.fp)->compression == bgzf) {
      in.tabix = tbx_index_load3(file, nullptr, HTS_IDX_SILENT_FAIL);
   }
   if (in.index == nullptr && in.tabix == nullptr)
      error("File [%s] has no index (%s): --region needs one\n", name,
            bcf ? "FILE.csi" : "a bgzip file with FILE.tbi or FILE.csi");
   in.region = bcf ? bcf_itr_querys(in.index, in.header, request.region.c_str())
                   : tbx_itr_querys(in.tabix, request.region.c_str());
   if (in.region == nullptr)
      error("Region [%s] names no sequence of the index of [%s]\n", request.region.c_str(), name);
}

// Whether reading stopped at the true end of the data: no read error, and a
// BGZF file ended with its end-of-file block (one without it was cut at a
// block boundary). `eofBlock` is what checking the block beforehand found.
bool EndedWhole(htsFile* fp, int status, int eofBlock) {
   BGZF* blocks = hts_get_format(fp)->compression == no_compression ? nullptr : fp->fp.bgzf;
   if (status < -1 || (blocks != nullptr && blocks->errcode != 0)) return false;
   return blocks == nullptr || blocks->is_gzip || eofBlock == 1 || blocks->last_block_eof;
}

[[noreturn]] void Unreadable(const char* name, const char* unit, int64_t number) {
   error("File [%s] could not be read to its end (after %s %" PRId64
         "): the data are truncated or corrupt\n",
         name, unit, number);
}

}  // namespace

void CheckRegion(const std::string& region) {
   ParseRegion(region);
}

VcfCounts ReadVcf(const VcfRequest& request, const RowSink& sink) {
   hts_set_log_level(HTS_LOG_ERROR);
   const char* name = request.file == "-" ? "(standard input)" : request.file.c_str();
   Input in;
   in.fp = hts_open(request.file.c_str(), "r");
   if (in.fp == nullptr) error("File [%s] could not be opened: %s\n", name, strerror(errno));
   const htsFormat* format = hts_get_format(in.fp);
   if (format->format != vcf && format->format != bcf)
      error("File [%s] is not a VCF or BCF file\n", name);
   bool isBcf = format->format == bcf;
   // The end-of-file block can be checked up front only where the input can
   // seek; elsewhere the reader notes it, but only without threads.
   int eofBlock = format->compression == bgzf ? bgzf_check_EOF(in.fp->fp.bgzf) : 1;
   if (eofBlock == 0)
      error("File [%s] is truncated: its last BGZF block, the end-of-file marker, is missing\n",
            name);
   // VCF text in BGZF blocks is inflated on the parsing threads; htslib's
   // threads inflate BCF, and the blocks of a region.
   bool threaded = request.threads > 0 && format->compression == bgzf && eofBlock == 1;
   bool ownBlocks = threaded && !isBcf && request.region.empty() && CanInflateBgzfBlocks();
   if (threaded && !ownBlocks) hts_set_threads(in.fp, request.threads);
   in.header = bcf_hdr_read(in.fp);
   if (in.header == nullptr) {
      if (!EndedWhole(in.fp, 0, 1))
         error("File [%s] could not be read: the data are truncated or corrupt\n", name);
      error("File [%s] does not begin with a valid VCF header\n", name);
   }

   int64_t headerLines = in.fp->lineno;
   VcfCounts counts;
   counts.field = ChooseField(request, in.header, name);
   counts.headerSamples = bcf_hdr_nsamples(in.header);
   std::vector<std::string> names(in.header->samples, in.header->samples + counts.headerSamples);
   std::vector<int> selected = SelectSamples(names, request.samplesFile, name);
   counts.samples = static_cast<int>(selected.size());
   if (!request.region.empty()) OpenRegion(request, in, isBcf, name);
   hts_pos_t from = in.region != nullptr ? in.region->beg : 0;
   hts_pos_t to = in.region != nullptr ? in.region->end : HTS_POS_MAX;

   MarkerRow row;
   int status;
   if (!isBcf && in.region == nullptr) {
      ReadBytes read = [&in](char* buffer, size_t size) -> ssize_t {
         return in.fp->is_bgzf ? bgzf_read(in.fp->fp.bgzf, buffer, size)
                               : hread(in.fp->fp.hfile, buffer, size);
      };
      RowSink count = [&](const MarkerRow& row) {
         sink(row);
         counts.rows++;
      };
      TextLinesJob job{counts.field, counts.headerSamples, selected, request.threads};
      TextLinesOutcome outcome =
          ownBlocks ? ParseBgzfLines(in.fp->fp.bgzf, job, count) : ParseTextLines(read, job, count);
      counts.records = outcome.lines;
      int64_t line = headerLines + counts.records;
      if (outcome.end == TextLinesOutcome::End::kBadLine) {
         // A last line cut short by the end of data that lack their
         // end-of-file block is no fault of the line.
         if (outcome.lineEndsData && !EndedWhole(in.fp, 0, eofBlock))
            Unreadable(name, "line", line - 1);
         std::string where = "line " + std::to_string(line);
         if (outcome.failedSample >= 0)
            where += ", sample " + std::string(in.header->samples[outcome.failedSample]);
         error("File [%s], %s: %s\n", name, where.c_str(), outcome.reason.c_str());
      }
      status = outcome.end == TextLinesOutcome::End::kReadError ? -2 : -1;
   } else if (!isBcf) {
      RecordParser parser(counts.field, counts.headerSamples, selected);
      std::vector<MarkerRow> rows;
      while ((status = tbx_itr_next(in.fp, in.tabix, in.region, &in.line)) >= 0) {
         counts.records++;
         if (in.line.l == 0) continue;
         if (!parser.Parse(in.line.s, in.line.l)) {
            if (!EndedWhole(in.fp, 0, 1)) Unreadable(name, "record", counts.records - 1);
            std::string where = "record " + std::to_string(counts.records);
            if (parser.FailedSample() >= 0)
               where += ", sample " + std::string(in.header->samples[parser.FailedSample()]);
            error("File [%s], %s: %s\n", name, where.c_str(), parser.Reason().c_str());
         }
         if (parser.pos - 1 < from || parser.pos - 1 >= to) continue;
         rows.clear();
         AppendRows(parser, rows);
         for (const MarkerRow& each : rows) sink(each);
         counts.rows += static_cast<int64_t>(rows.size());
      }
   } else {
      in.record = bcf_init();
      int fieldId = bcf_hdr_id2int(in.header, BCF_DT_ID, FieldName(counts.field));
      RecordSums sums(counts.field);
      std::vector<DecimalText> values;
      std::vector<char> missing;
      while ((status = in.region != nullptr ? bcf_itr_next(in.fp, in.region, in.record)
                                            : bcf_read(in.fp, in.header, in.record)) >= 0) {
         counts.records++;
         bcf1_t* rec = in.record;
         bcf_unpack(rec, BCF_UN_STR | BCF_UN_FMT);
         std::string where = "record " + std::to_string(counts.records) + " at " +
                             bcf_seqname_safe(in.header, rec) + ":" + std::to_string(rec->pos + 1);
         if (rec->errcode != 0)
            error("File [%s], %s: the record is malformed\n", name, where.c_str());
         if (static_cast<int>(rec->n_sample) != counts.headerSamples)
            error("File [%s], %s: %u samples, the header names %d\n", name, where.c_str(),
                  rec->n_sample, counts.headerSamples);
         if (rec->pos < from || rec->pos >= to || rec->n_allele < 2) continue;
         sums.Reset(rec->n_allele - 1);
         bcf_fmt_t* fmt = bcf_get_fmt_id(rec, fieldId);
         if (fmt != nullptr && fmt->type != BCF_BT_FLOAT)
            error("File [%s], %s: FORMAT field %s does not hold floating-point numbers\n", name,
                  where.c_str(), FieldName(counts.field));
         for (int i = 0; fmt != nullptr && i < counts.samples; i++) {
            const uint8_t* data = fmt->p + static_cast<size_t>(selected[i]) * fmt->size;
            values.clear();
            missing.clear();
            for (int v = 0; v < fmt->n; v++) {
               float f;
               memcpy(&f, data + 4 * v, 4);
               if (bcf_float_is_vector_end(f)) break;
               values.push_back(DecimalText{f, 0, false});
               missing.push_back(bcf_float_is_missing(f));
            }
            if (!sums.AddSample(values.data(), missing.data(), static_cast<int>(values.size())))
               error("File [%s], %s, sample %s: %s\n", name, where.c_str(),
                     in.header->samples[selected[i]], sums.Reason().c_str());
         }
         row.chrom = bcf_seqname_safe(in.header, rec);
         row.pos = rec->pos + 1;
         row.id = rec->d.id;
         row.ref = rec->d.allele[0];
         for (int a = 1; a < rec->n_allele; a++) {
            row.alt = rec->d.allele[a];
            row.sums = sums.Alleles()[a - 1];
            sink(row);
            counts.rows++;
         }
      }
   }
   bool byRecord = isBcf || in.region != nullptr;
   if (!EndedWhole(in.fp, status, in.region != nullptr ? 1 : eofBlock))
      Unreadable(name, byRecord ? "record" : "line",
                 byRecord ? counts.records : headerLines + counts.records);
   return counts;
}
