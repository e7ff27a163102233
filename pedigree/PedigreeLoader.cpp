// The readers of Pedigree: data-file descriptions (Prepare) and pedigree
// files in the five-column and the MENDEL layouts (Load, LoadMendel).
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/StringArray.h"
#include "io/Error.h"
#include "pedigree/FortranFormat.h"
#include "pedigree/Pedigree.h"

namespace {

const unsigned char kUnknownAllele = 255;

const char* const kCannotOpen =
    "The pedigree file %s cannot be opened\n\n"
    "Common causes for this problem are:\n"
    "  * You might not have used the correct options to specify input file names,\n"
    "    please check the program documentation for information on how to do this\n\n"
    "  * The file doesn't exist or the filename might have been misspelt\n\n"
    "  * The file exists but it is being used by another program which you will need\n"
    "    to close\n\n"
    "  * The file is larger than 2GB and you haven't compiled this application with\n"
    "    large file support.\n\n";

// A value token, or MISSING_VALUE for the missing code or anything strtod
// cannot read completely.
// The fields of a line, split in place at every separator: one copy of the
// line per file instead of one string per field.
class Fields {
public:
   int Split(const String& line, const char* separators) {
      text.assign((const char*)line, (const char*)line + line.Length() + 1);
      starts.clear();
      for (size_t i = 0; i + 1 < text.size(); i++) {
         if (strchr(separators, text[i]) != nullptr) {
            text[i] = 0;
         } else if (i == 0 || text[i - 1] == 0) {
            starts.push_back(i);
         }
      }
      return Length();
   }
   int Length() const { return static_cast<int>(starts.size()); }
   const char* operator[](int i) const { return text.data() + starts[i]; }

private:
   std::vector<char> text;
   std::vector<size_t> starts;
};

double ReadValue(const char* token) {
   if (!Pedigree::missing.IsEmpty() && strcmp(token, Pedigree::missing) == 0) return MISSING_VALUE;
   char* end = nullptr;
   double value = strtod(token, &end);
   return *end == 0 ? value : MISSING_VALUE;
}

void StoreTrait(double& slot, double value, int column, const char* name, Person& p) {
   if (value == MISSING_VALUE) return;
   if (slot != MISSING_VALUE && slot != value)
      error(
          "Conflict with previous phenotype - Col %d, Trait %s\n"
          "Family: %s  Individual: %s  Old: %f New: %f",
          column, name, (const char*)p.famid, (const char*)p.pid, slot, value);
   slot = value;
}

void StoreCovariate(double& slot, double value, int column, const char* name, Person& p) {
   if (value == MISSING_VALUE) return;
   if (slot != MISSING_VALUE && slot != value)
      error(
          "Conflict with previous value - Col %d, Covariate %s\n"
          "Family: %s  Individual: %s  Old: %f New: %f",
          column, name, (const char*)p.famid, (const char*)p.pid, slot, value);
   slot = value;
}

const char* SexName(int sex) {
   return sex == SEX_MALE ? "male" : sex == SEX_FEMALE ? "female" : "unknown";
}

void StoreSexCovariate(Person& p) {
   if (!Pedigree::sexAsCovariate) return;
   p.covariates[Pedigree::GetCovariateID("sex")] =
       p.sex == SEX_UNKNOWN ? MISSING_VALUE : static_cast<double>(p.sex);
}

}  // namespace

void Pedigree::Prepare(IFILE& input) {
   pd.Load(input, false);
}

void Pedigree::Prepare(const char* dataFileNames) {
   delete[] multiPd;
   multiPd = nullptr;
   multiFileCount = 1;

   StringArray names;
   names.AddTokens(dataFileNames, ',');
   if (names.Length() < 2) {
      pd.Load(dataFileNames, false);
      return;
   }
   puts("AUTOMATIC MERGE ENABLED: Detected multiple datafile names, separated by commas...");
   multiPd = new PedigreeDescription[names.Length()];
   for (int i = 0; i < names.Length(); i++) {
      printf("  AUTOMATIC MERGE: Reading data file '%s' ...\n", (const char*)names[i]);
      multiPd[i].Load(names[i], false);
   }
   multiFileCount = names.Length();
}

void Pedigree::Load(const char* pedigreeFileNames, bool allowFailures) {
   if (multiFileCount < 2) {
      IFILE input = ifopen(pedigreeFileNames, "rb");
      if (input == nullptr) {
         if (allowFailures) return;
         error(kCannotOpen, pedigreeFileNames);
      }
      fileBeingRead = pedigreeFileNames;
      Load(input);
      fileBeingRead = "";
      ifclose(input);
      return;
   }

   StringArray names;
   names.AddTokens(pedigreeFileNames, ',');
   if (names.Length() != multiFileCount)
      error("Different numbers of comma separated data and pedigree file names provided\n");
   for (int i = 0; i < names.Length(); i++) {
      printf("  AUTOMATIC MERGE: Datafile '%s' matched to pedigree '%s' ...\n",
             (const char*)multiPd[i].filename, (const char*)names[i]);
      pd = multiPd[i];
      IFILE input = ifopen(names[i], "rb");
      if (input == nullptr)
         error("The pedigree file '%s' cannot be opened\n\n", (const char*)names[i]);
      fileBeingRead = names[i];
      Load(input);
      fileBeingRead = "";
      ifclose(input);
   }
   printf("\n");
}

int Pedigree::TranslateSexCode(const char* code, bool& failure) {
   failure = false;
   switch (code[0]) {
      case '1':
      case 'M':
      case 'm':
         return SEX_MALE;
      case '2':
      case 'F':
      case 'f':
         return SEX_FEMALE;
      case '?':
      case 'X':
      case 'x':
         return SEX_UNKNOWN;
   }
   if (String(code).AsInteger() == 0) return SEX_UNKNOWN;
   failure = true;
   return SEX_UNKNOWN;
}

void Pedigree::Load(IFILE& input) {
   if (pd.mendelFormat) {
      LoadMendel(input);
      return;
   }
   if (sexAsCovariate) GetCovariateID("sex");
   for (int i = 0; i < count; i++) persons[i]->MatchRegistry();

   const int expected = 5 + pd.CountTextColumns();
   const int loadedBefore = count;
   std::vector<MarkerInfo*> info(pd.columns.Length(), nullptr);
   for (int c = 0; c < pd.columnCount; c++)
      if (pd.columns[c] == pdMarker) info[c] = GetMarkerInfo(pd.columnHash[c]);

   // The allele number of a one-character token cannot change while a file
   // is read (labels are only added), so each is looked up once per column.
   std::vector<unsigned char> known(info.size() * 128, kUnknownAllele);
   String scratch;
   auto allele = [&](int column, const char* token) {
      unsigned char first = static_cast<unsigned char>(token[0]);
      if (token[1] != 0 || first >= 128) return LoadAllele(info[column], scratch = token);
      unsigned char& slot = known[column * 128 + first];
      if (slot == kUnknownAllele)
         slot = static_cast<unsigned char>(LoadAllele(info[column], scratch = token));
      return static_cast<int>(slot);
   };

   String buffer;
   Fields tokens;
   bool warned = false;
   int line = 0;
   while (!ifeof(input)) {
      buffer.ReadLine(input);
      tokens.Split(buffer, " \t\n\r\f/");
      if (tokens.Length() == 0) continue;
      if (String(tokens[0]).SlowCompare("end") == 0) break;
      line++;

      if (tokens.Length() < expected) {
         String summary;
         pd.ColumnSummary(summary);
         if (buffer.Length() > 79) {
            buffer.SetLength(75);
            buffer += " ...";
         }
         error(
             "Loading Pedigree...\n\n"
             "Expecting %d columns (%s),\n"
             "but read only %d columns in line %d.\n\n"
             "The problem line is transcribed below:\n%s\n",
             expected, (const char*)summary, tokens.Length(), line, (const char*)buffer);
      }
      if (tokens.Length() > expected && !warned && pd.columnCount > 0) {
         String summary;
         pd.ColumnSummary(summary);
         printf(
             "WARNING -- Trailing columns in pedigree file will be ignored\n"
             "  Expecting %d data columns (%s)\n"
             "  However line %d, for example, has %d data columns\n\n",
             expected - 5, (const char*)summary, line, tokens.Length() - 5);
         warned = true;
      }

      Person* p = loadedBefore > 0 ? FindPerson(tokens[0], tokens[1], loadedBefore) : nullptr;
      bool merged = p != nullptr;
      if (p == nullptr) p = NewPerson();
      bool failure = false;
      int sex = TranslateSexCode(tokens[4], failure);
      if (failure)
         error(
             "Can't interpret the sex of individual #%d\nFamily: %s  Individual: %s  Sex Code: %s",
             count, (const char*)tokens[0], (const char*)tokens[1], (const char*)tokens[4]);
      if (merged && mergeObserver != nullptr) {
         auto tell = [&](const char* field, const char* before, const char* after) {
            mergeObserver->Conflict({p->famid, p->pid, field, before, after, fileBeingRead});
         };
         if (p->sex != sex) tell("sex", SexName(p->sex), SexName(sex));
         if (p->fatid.SlowCompare(tokens[2]) != 0) tell("father", p->fatid, tokens[2]);
         if (p->motid.SlowCompare(tokens[3]) != 0) tell("mother", p->motid, tokens[3]);
      }
      p->famid = tokens[0];
      p->pid = tokens[1];
      p->fatid = tokens[2];
      p->motid = tokens[3];
      p->sex = sex;
      StoreSexCovariate(*p);

      int t = 5;
      for (int c = 0; c < pd.columns.Length(); c++) {
         int id = pd.columnHash[c];
         switch (pd.columns[c]) {
            case pdMarker: {
               int one = allele(c, tokens[t]);
               int two = allele(c, tokens[t + 1]);
               t += 2;
               if (one == 0 || two == 0) break;
               Alleles read;
               read.one = static_cast<unsigned char>(one);
               read.two = static_cast<unsigned char>(two);
               Alleles& stored = p->markers[id];
               if (stored.isKnown()) {
                  if (!stored.Matches(read))
                     error(
                         "Conflict with previous genotype - Col %d, Marker %s\n"
                         "Family: %s  Individual: %s  Old: %s/%s New: %s/%s",
                         c, (const char*)markerNames[id], (const char*)p->famid,
                         (const char*)p->pid, (const char*)info[c]->GetAlleleLabel(stored.one),
                         (const char*)info[c]->GetAlleleLabel(stored.two),
                         (const char*)info[c]->GetAlleleLabel(one),
                         (const char*)info[c]->GetAlleleLabel(two));
               } else {
                  stored = read;
               }
               break;
            }
            case pdTrait:
               StoreTrait(p->traits[id], ReadValue(tokens[t++]), c, traitNames[id], *p);
               break;
            case pdAffection: {
               String token = tokens[t++];
               int status;
               switch (toupper(static_cast<unsigned char>(token[0]))) {
                  case '2':
                  case 'A':
                  case 'D':
                  case 'Y':
                     status = 2;
                     break;
                  case '1':
                  case 'N':
                  case 'U':
                     status = 1;
                     break;
                  default: {
                     long long value = token.AsInteger();
                     if (value != 0 && value != 1 && value != 2)
                        error(
                            "Incorrect formating for affection status Col %d, Affection %s\n"
                            "Family: %s  Individual: %s  Status: %s",
                            c, (const char*)affectionNames[id], (const char*)p->famid,
                            (const char*)p->pid, (const char*)token);
                     status = static_cast<int>(value);
                  }
               }
               if (status == 0) break;
               if (p->affections[id] != 0 && p->affections[id] != status)
                  error(
                      "Conflict with previous affection status - Col %d, Affection %s\n"
                      "Family: %s  Individual: %s  Old: %d New: %d",
                      c, (const char*)affectionNames[id], (const char*)p->famid,
                      (const char*)p->pid, p->affections[id], status);
               p->affections[id] = static_cast<unsigned char>(status);
               break;
            }
            case pdCovariate:
               StoreCovariate(p->covariates[id], ReadValue(tokens[t++]), c, covariateNames[id], *p);
               break;
            case pdCovariateTrait: {
               double value = ReadValue(tokens[t++]);
               int trait = id / 32768, covariate = id % 32768;
               StoreTrait(p->traits[trait], value, c, traitNames[trait], *p);
               StoreCovariate(p->covariates[covariate], value, c, covariateNames[covariate], *p);
               break;
            }
            case pdZygosity: {
               String token = tokens[t++];
               long long zygosity;
               if (token[0] == 'D' || token[0] == 'd')
                  zygosity = 2;
               else if (token[0] == 'M' || token[0] == 'm')
                  zygosity = 1;
               else
                  zygosity = token.AsInteger();
               if (zygosity < INT_MIN || zygosity > INT_MAX)
                  error(
                      "Zygosity %s of individual %s in family %s (pedigree line %d) is out of "
                      "range\n",
                      (const char*)token, (const char*)p->pid, (const char*)p->famid, line);
               if (p->zygosity != 0 && p->zygosity != zygosity)
                  error(
                      "Conflict with previous zygosity - Column %d in pedigree\n"
                      "Family: %s  Individual: %s  Old: %d New: %d\n",
                      c, (const char*)p->famid, (const char*)p->pid, p->zygosity,
                      static_cast<int>(zygosity));
               p->zygosity = static_cast<int>(zygosity);
               break;
            }
            case pdSkip:
               t++;
               break;
            case pdEnd:
               break;
            default:
               error("Inconsistent Pedigree Description -- Internal Error");
         }
      }
   }
   CheckReadToEnd(input);
   Sort();
}

void Pedigree::LoadMendel(IFILE& input) {
   String familyFormat, personFormat;
   familyFormat.ReadLine(input);
   personFormat.ReadLine(input);
   FortranFormat familyReader, personReader;
   familyReader.SetInputFile(input);
   familyReader.SetFormat(familyFormat);
   personReader.SetInputFile(input);
   personReader.SetFormat(personFormat);

   if (sexAsCovariate) GetCovariateID("sex");
   for (int i = 0; i < count; i++) persons[i]->MatchRegistry();

   std::vector<MarkerInfo*> info(pd.columns.Length(), nullptr);
   for (int c = 0; c < pd.columnCount; c++)
      if (pd.columns[c] == pdMarker) info[c] = GetMarkerInfo(pd.columnHash[c]);

   String famid, field, phenotype, locus;
   while (true) {
      int members = familyReader.GetNextInteger();
      familyReader.GetNextField(famid);
      familyReader.Flush();
      if (famid.IsEmpty()) {
         if (ifeof(input) && members == 0) break;
         error("Blank family id encountered\n");
      }

      for (int m = 1; m <= members; m++) {
         Person* p = NewPerson();
         p->famid = famid;
         personReader.GetNextField(p->pid);
         personReader.GetNextField(p->fatid);
         personReader.GetNextField(p->motid);
         if (p->pid.IsEmpty())
            error("No unique identifier for individual #%d in family %s\n", m, (const char*)famid);
         if (p->pid.Compare(".") == 0)
            error(
                "Family %s has an individual named '.', but this code is\n"
                "reserved to indicate missing parents\n",
                (const char*)famid);
         if (p->fatid.IsEmpty()) p->fatid = ".";
         if (p->motid.IsEmpty()) p->motid = ".";

         char sex = personReader.GetNextCharacter();
         switch (sex) {
            case '1':
            case 'M':
            case 'm':
               p->sex = SEX_MALE;
               break;
            case '2':
            case 'F':
            case 'f':
               p->sex = SEX_FEMALE;
               break;
            case 0:
            case '0':
            case '?':
            case 'X':
            case 'x':
               p->sex = SEX_UNKNOWN;
               break;
            default:
               error(
                   "Can't interpret the sex of individual #%d\n"
                   "Family: %s  Individual: %s  Sex Code: %c",
                   count, (const char*)famid, (const char*)p->pid, sex);
         }
         StoreSexCovariate(*p);

         char twin = personReader.GetNextCharacter();
         if (twin != 0) p->zygosity = 2 * static_cast<unsigned char>(twin) - 65;

         locus = "";
         for (int c = 0; c < pd.columns.Length(); c++) {
            int id = pd.columnHash[c];
            switch (pd.columns[c]) {
               case pdMarker: {
                  personReader.GetNextField(field);
                  if (field.IsEmpty()) break;
                  int split = field.FindChar('/');
                  if (split < 0) split = field.FindChar('|');
                  if (split < 0)
                     error(
                         "At marker %s, person %s in family %s has genotype %s.\n"
                         "This genotype is not in the 'al1/al2' format.\n",
                         (const char*)markerNames[id], (const char*)p->pid, (const char*)famid,
                         (const char*)field);
                  String labels[2] = {field.Left(split), field.SubStr(split + 1, 8)};
                  int alleles[2];
                  for (int a = 0; a < 2; a++) {
                     labels[a].Trim();
                     // An empty label is a missing allele, never a new one.
                     int slot = info[c]->alleleNumbers.Find(labels[a]);
                     if (labels[a].IsEmpty())
                        alleles[a] = 0;
                     else if (slot >= 0)
                        alleles[a] = info[c]->alleleNumbers.ValueAt(slot);
                     else
                        alleles[a] = -1;
                     if (alleles[a] >= 0) continue;
                     if (info[c]->freq.Length() > 0)
                        error(
                            "At marker %s, person %s in family %s has genotype %s.\n"
                            "However, '%s' is not a valid allele for this marker.\n",
                            (const char*)markerNames[id], (const char*)p->pid, (const char*)famid,
                            (const char*)field, (const char*)labels[a]);
                     alleles[a] = info[c]->NewAllele(labels[a]);
                  }
                  if (alleles[0] == 0 || alleles[1] == 0) break;
                  p->markers[id].one = static_cast<unsigned char>(alleles[0]);
                  p->markers[id].two = static_cast<unsigned char>(alleles[1]);
                  break;
               }
               case pdAffection: {
                  const String& name = affectionNames[id];
                  int arrow = name.Find("->");
                  String prefix = arrow < 0 ? String() : name.Left(arrow + 2);
                  if (prefix.IsEmpty() || prefix != locus) {
                     personReader.GetNextField(phenotype);
                     locus = prefix;
                  }
                  if (phenotype.IsEmpty())
                     p->affections[id] = 0;
                  else
                     p->affections[id] = (prefix + phenotype).Compare(name) == 0 ? 2 : 1;
                  break;
               }
               case pdEnd:
                  break;
               default:
                  error("Inconsistent Pedigree Description -- Internal Error");
            }
         }
         personReader.Flush();
      }
   }
   CheckReadToEnd(input);
   Sort();
}

void Pedigree::CheckReadToEnd(IFILE& input) {
   if (!iferror(input)) return;
   if (fileBeingRead.IsEmpty())
      error("The pedigree file could not be read to its end: %s\n", ifstrerror(input));
   error("The pedigree file [%s] could not be read to its end: %s\n",
         static_cast<const char*>(fileBeingRead), ifstrerror(input));
}
