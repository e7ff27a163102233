#include "pedigree/FortranFormat.h"

#include <cctype>
#include <climits>
#include <cstring>

#include "io/Error.h"

namespace {

// Bounds the work between two fields (and of one Flush): nested repeat counts
// multiply, and a statement such as (A1,999999999(999999999(X))) would
// otherwise keep the reader busy for centuries.
const int kMaxStepsWithoutField = 10000000;

// Bounds the descriptors that read no field in one record, which the bound
// above leaves at millions per field: (A8,3000000(T1),A8) would cost every
// record of a file a fraction of a second. Beyond one pass over the statement,
// a record may take this many such steps for each field it gives.
const int kIdleStepsPerField = 100;

// Positions past any record all read as empty fields, so saturating keeps
// them meaningful without overflow.
int Advance(int position, int by) {
   return position > INT_MAX - by ? INT_MAX : position + by;
}

}  // namespace

FortranFormat::FortranFormat() {
   Reset();
}

void FortranFormat::SetInputFile(IFILE& file) {
   input = file;
   position = -1;
}

void FortranFormat::SetFormat(const String& statement) {
   format = "";
   int depth = 0;
   bool closed = false;
   for (int i = 0; i < statement.Length() && !closed; i++) {
      char c = statement[i];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
      format += c;
      if (c == '(')
         depth++;
      else if (c == ')' && depth > 0 && --depth == 0)
         closed = true;
   }
   // A statement that ends inside a group would let the scans run past its end.
   if (!closed || format[0] != '(')
      error(
          "Invalid FORTRAN format statement\n\nThe statement \"%s\" is not bracketed correctly.\n",
          (const char*)format);
   Reset();
}

void FortranFormat::Reset() {
   position = -1;
   formatPosition = 1;
   repeatCount = 0;
   groupStart.Dimension(0);
   groupCount.Dimension(0);
   groupRemaining.Dimension(0);
   lastGroupStart = 1;
   lastGroupCount = 0;
   endOfPattern = false;
   stepsTaken = 1;
   discarding = false;
   StartRecord();
}

void FortranFormat::StartRecord() {
   idleSteps = 0;
   fieldsInRecord = 0;
}

void FortranFormat::CountIdleStep() {
   if (++idleSteps <= kIdleStepsPerField * (fieldsInRecord + 1) + format.Length()) return;
   error(
       "Invalid FORTRAN format statement\n\n"
       "The statement \"%s\" repeats descriptors that read no field more than %d times per "
       "field of a record.\n",
       (const char*)format, kIdleStepsPerField);
}

void FortranFormat::GetNextField(String& field) {
   RequireStatement();
   int passesEnded = 0;
   for (long long steps = 0; !ProcessToken(field);) {
      steps += stepsTaken;
      // Which descriptors produce fields does not depend on the data: a second
      // pass end without one means none ever will.
      if (position == -1 && ++passesEnded == 2)
         error(
             "Invalid FORTRAN format statement\n\n"
             "The statement \"%s\" repeats descriptors that read no field.\n",
             (const char*)format);
      if (steps >= kMaxStepsWithoutField)
         error(
             "Invalid FORTRAN format statement\n\n"
             "The statement \"%s\" repeats descriptors more than %d times between two fields.\n",
             (const char*)format, kMaxStepsWithoutField);
      CountIdleStep();
   }
   fieldsInRecord++;
}

char FortranFormat::GetNextCharacter() {
   GetNextField(buffer);
   return buffer[0];
}

int FortranFormat::GetNextInteger() {
   GetNextField(buffer);
   return static_cast<int>(buffer.AsInteger());
}

void FortranFormat::Flush() {
   RequireStatement();
   discarding = true;
   for (long long steps = 0; !endOfPattern;) {
      ProcessToken(buffer);
      steps += stepsTaken;
      if (steps >= kMaxStepsWithoutField && !endOfPattern)
         error(
             "Invalid FORTRAN format statement\n\n"
             "The statement \"%s\" repeats descriptors more than %d times in one pass.\n",
             (const char*)format, kMaxStepsWithoutField);
      CountIdleStep();
   }
   Reset();
}

bool FortranFormat::ProcessToken(String& field) {
   endOfPattern = false;
   stepsTaken = 1;
   if (position == -1) {
      record.ReadLine(input);
      position = 0;
      StartRecord();
   }

   if (repeatCount == 0) {
      repeatCount = DigitFollows() ? GetIntegerFromFormat() : 1;
      // Zero would also read as "no count pending" on the next step.
      if (repeatCount == 0)
         error(
             "Unrecognized FORMAT statement\n\nStatement \"%s\" includes a repeat count of zero\n",
             (const char*)format);
   }

   switch (format[formatPosition]) {
      case '(':
         groupStart.Append(formatPosition + 1);
         groupCount.Append(repeatCount);
         groupRemaining.Append(repeatCount - 1);
         repeatCount = 0;
         formatPosition++;
         return false;
      case 'X':
         RejectWidth('X');
         position = Advance(position, repeatCount);
         repeatCount = 0;
         FinishField(true);
         return false;
      case '/':
         RejectWidth('/');
         ReadRecords(repeatCount);
         position = 0;
         repeatCount = 0;
         FinishField(true);
         return false;
      case ':':
         repeatCount = 0;
         endOfPattern = true;
         FinishField(true);
         return false;
      case 'Q':
      case 'P':
      case 'B': {
         int end = formatPosition;
         while (strchr(",)/", format[end]) == nullptr) end++;
         error(
             "Unsupported pattern in FORMAT statement\n\n"
             "Statement \"%s\" includes unsupporterd pattern '%s'\n",
             (const char*)format, (const char*)format.SubStr(formatPosition, end - formatPosition));
      }
   }

   int descriptor = formatPosition;
   while (CharacterFollows()) formatPosition++;
   int letters = formatPosition - descriptor;
   int width = GetIntegerFromFormat();
   if (width == 0)
      error(
          "Unrecognized FORMAT statement\n\n"
          "Statement \"%s\" is missing a width specifier for a field of type '%s'\n",
          (const char*)format, (const char*)format.SubStr(descriptor, letters));
   formatPosition = descriptor;

   bool produced = false;
   // A tab reads nothing, and what Flush reads is discarded: all their
   // repetitions move at once, counted as as many steps.
   bool atOnce = format[descriptor] == 'T' || discarding;
   long long by = static_cast<long long>(width) * (atOnce ? repeatCount : 1);
   if (format[descriptor] == 'T') {
      char direction = letters > 1 ? format[descriptor + 1] : 0;
      if (direction == 'L')
         position = position > by ? static_cast<int>(position - by) : 0;
      else if (direction == 'R')
         position = Advance(position, by < INT_MAX ? static_cast<int>(by) : INT_MAX);
      else
         position = width - 1;
   } else {
      field.Copy(record, position, width).Trim();
      position = Advance(position, by < INT_MAX ? static_cast<int>(by) : INT_MAX);
      produced = true;
   }
   if (atOnce) {
      stepsTaken = repeatCount;
      repeatCount = 1;
   }

   if (--repeatCount == 0) FinishField(false);
   return produced;
}

// Moves formatPosition to the next descriptor, closing groups on the way. A
// descriptor that follows "/", ":", "X" or ")" without a comma is read, not
// passed over, and a scan stops at "(" and ":" as at "/": otherwise (I3/I3)
// would silently lose its second field and A2(A1) its group.
void FortranFormat::FinishField(bool singleCharacter) {
   int p = singleCharacter ? formatPosition + 1 : formatPosition;
   bool atBoundary = singleCharacter;
   while (true) {
      char c = format[p];
      if (c == ',') {
         formatPosition = p + 1;
         return;
      }
      if (c == ')') {
         int top = groupStart.Length() - 1;
         if (top < 0) {
            endOfPattern = true;
            position = -1;
            formatPosition = lastGroupStart;
            if (lastGroupStart != 1) {
               groupStart.Append(lastGroupStart);
               groupCount.Append(lastGroupCount);
               groupRemaining.Append(lastGroupCount - 1);
            }
            return;
         }
         lastGroupStart = groupStart[top];
         lastGroupCount = groupCount[top];
         // What Flush reads is discarded and the position is reset after it,
         // so once a group has run through, its further repetitions only matter
         // for the records its "/" would read, and none are left at the end.
         if (discarding && (InputEnded() ||
                            memchr(&format[groupStart[top]], '/', p - groupStart[top]) == nullptr))
            groupRemaining[top] = 0;
         if (groupRemaining[top] > 0) {
            groupRemaining[top]--;
            formatPosition = groupStart[top];
            return;
         }
         groupStart.Delete(top);
         groupCount.Delete(top);
         groupRemaining.Delete(top);
         p++;
         atBoundary = true;
         continue;
      }
      if (atBoundary || c == '/' || c == ':' || c == '(') {
         formatPosition = p;
         return;
      }
      p++;
   }
}

void FortranFormat::RejectWidth(char type) {
   if (isdigit(static_cast<unsigned char>(format[formatPosition + 1])))
      error(
          "Unrecognized FORTRAN format statement\n\n"
          "The statement \"%s\" includes width specifier for field of type '%c'.\n",
          (const char*)format, type);
}

bool FortranFormat::DigitFollows() const {
   return isdigit(static_cast<unsigned char>(format[formatPosition])) != 0;
}

bool FortranFormat::CharacterFollows() const {
   return format[formatPosition] >= 'A' && format[formatPosition] <= 'Z';
}

// Digits only; 0 when there are none.
int FortranFormat::GetIntegerFromFormat() {
   int value = 0;
   while (DigitFollows()) {
      int digit = format[formatPosition++] - '0';
      if (value > (INT_MAX - digit) / 10)
         error(
             "Unrecognized FORMAT statement\n\n"
             "Statement \"%s\" includes a repeat count or width above %d\n",
             (const char*)format, INT_MAX);
      value = value * 10 + digit;
   }
   return value;
}

// Past the end of the input every record is empty: stop reading there, so
// that a large count of "/" costs nothing once the input has ended.
void FortranFormat::ReadRecords(int count) {
   for (int i = 0; i < count; i++) {
      if (InputEnded()) {
         record = "";
         return;
      }
      record.ReadLine(input);
      // Only records taken from the input renew the allowance: past its end a
      // repeated "/" costs steps and reads nothing.
      StartRecord();
   }
}

bool FortranFormat::InputEnded() {
   return input.handle == nullptr || ifeof(input);
}

void FortranFormat::RequireStatement() const {
   if (format.IsEmpty())
      error(
          "Invalid FORTRAN format statement\n\n"
          "No statement was installed before the first field was read.\n");
}
