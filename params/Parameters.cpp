#include "params/Parameters.h"

#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "io/Error.h"

int Parameter::nameCol = 30;
int Parameter::statusCol = 15;

namespace {

char Lower(char c) {
   return static_cast<char>(tolower(static_cast<unsigned char>(c)));
}

const char* NoMeaning() {
   return "Command line parameter -%c%s: the option '%c' has no meaning\n";
}

// The letters of an option table joined by "|".
String OptionKey(const OptionList* options) {
   String key;
   for (const OptionList* row = options; row->letter != 0; row++) {
      if (row != options) key += '|';
      key += row->letter;
   }
   return key;
}

}  // namespace

// ---------------------------------------------------------------- Parameter

Parameter::Parameter(char option, const char* text, void* variable)
    : optionChar(Lower(option)),
      description(text != nullptr ? text : ""),
      value(variable),
      problems(nullptr) {}

Parameter::~Parameter() {}

bool Parameter::TranslateExtras(const char*, const char*) {
   return false;
}

bool Parameter::Read(int argc, char** argv, int index) {
   if (index < 0 || index >= argc || argv[index] == nullptr) return false;
   const char* argument = argv[index];
   char first = Lower(argument[0]);
   if (first == 0) return false;
   if (first == '-' || first == '/') {
      if (argument[1] == 0 || Lower(argument[1]) != optionChar) return false;
      Translate(argument + 2);
   } else {
      if (first != optionChar) return false;
      Translate(argument + 1);
   }
   return true;
}

bool Parameter::CheckInteger(const char* text) {
   if (text[0] != '+' && text[0] != '-' && !isdigit(static_cast<unsigned char>(text[0])))
      return false;
   for (int i = 1; text[i] != 0; i++)
      if (!isdigit(static_cast<unsigned char>(text[i]))) return false;
   return true;
}

// Deliberately lenient: only the exponent is checked, so "1x" and "1.2.3"
// pass and a lone sign is a value.
bool Parameter::CheckDouble(const char* text) {
   if (text[0] != '+' && text[0] != '-' && text[0] != '.' &&
       !isdigit(static_cast<unsigned char>(text[0])))
      return false;
   for (int i = 1; text[i] != 0; i++)
      if (text[i] == 'e' || text[i] == 'E') return CheckInteger(text + i + 1);
   return true;
}

void Parameter::warning(const char* format, ...) {
   String message;
   va_list ap;
   va_start(ap, format);
   message.vprintf(format, ap);
   va_end(ap);
   if (problems != nullptr)
      *problems += message;
   else
      ::warning("%s", static_cast<const char*>(message));
}

// ---------------------------------------------------------------- IntParameter

IntParameter::IntParameter(char option, const char* description, int& variable)
    : Parameter(option, description, &variable) {}

void IntParameter::Translate(const char* text) {
   *static_cast<int*>(value) = static_cast<int>(strtol(text, nullptr, 10));
}

bool IntParameter::TranslateExtras(const char* attached, const char* next) {
   if (attached[0] != 0 || !CheckInteger(next)) return false;
   Translate(next);
   return true;
}

void IntParameter::Status() {
   printf("%*s : %*d (-%c9999)\n", nameCol, static_cast<const char*>(description), statusCol,
          *static_cast<int*>(value), optionChar);
}

// ---------------------------------------------------------------- DoubleParameter

DoubleParameter::DoubleParameter(char option, const char* description, double& variable)
    : Parameter(option, description, &variable) {}

void DoubleParameter::Translate(const char* text) {
   double& target = *static_cast<double*>(value);
   target = text[0] == 0 ? MISSING_VALUE : strtod(text, nullptr);
}

bool DoubleParameter::TranslateExtras(const char* attached, const char* next) {
   if (attached[0] != 0 || !CheckDouble(next)) return false;
   Translate(next);
   return true;
}

void DoubleParameter::Status() {
   double x = *static_cast<double*>(value);
   const char* text = description;
   if (x == MISSING_VALUE)
      printf("%*s : %*s (-%c99.999)\n", nameCol, text, statusCol, "NAN", optionChar);
   else if (fabs(x) >= 0.00095)
      printf("%*s : % *.3f (-%c99.999)\n", nameCol, text, statusCol, x, optionChar);
   else if (fabs(x) > 1e-15 || std::isnan(x))
      printf("%*s : %*.0e (-%c99.999)\n", nameCol, text, statusCol, x, optionChar);
   else
      printf("%*s : % *.0f (-%c99.999)\n", nameCol, text, statusCol, x, optionChar);
}

// ---------------------------------------------------------------- StringParameter

StringParameter::StringParameter(char option, const char* description, String& variable,
                                 bool inhibitDashValues)
    : Parameter(option, description, &variable), takesDashValue(!inhibitDashValues) {}

void StringParameter::Translate(const char* text) {
   *static_cast<String*>(value) = text;
}

bool StringParameter::TranslateExtras(const char* attached, const char* next) {
   if (attached[0] != 0 || (!takesDashValue && next[0] == '-')) return false;
   *static_cast<String*>(value) = next;
   return true;
}

void StringParameter::Status() {
   printf("%*s : %*s (-%cname)\n", nameCol, static_cast<const char*>(description), statusCol,
          static_cast<const char*>(*static_cast<String*>(value)), optionChar);
}

// ---------------------------------------------------------------- SwitchParameter

SwitchParameter::SwitchParameter(char option, const char* description, bool& variable)
    : Parameter(option, description, &variable) {}

void SwitchParameter::Translate(const char* text) {
   bool& target = *static_cast<bool*>(value);
   switch (text[0]) {
      case '+':
         target = true;
         break;
      case '-':
         target = false;
         break;
      case 0:
         target = !target;
         break;
      default:
         warning(NoMeaning(), optionChar, text, text[0]);
   }
}

void SwitchParameter::Status() {
   printf("%*s : %*s (-%c[+|-])\n", nameCol, static_cast<const char*>(description), statusCol,
          *static_cast<bool*>(value) ? "ON" : "OFF", optionChar);
}

// ---------------------------------------------------------------- SetParameter

SetParameter::SetParameter(char option, const char* description, int& variable, OptionList* table)
    : Parameter(option, description, &variable), key(OptionKey(table)), options(table) {}

void SetParameter::Translate(const char* text) {
   int& target = *static_cast<int*>(value);
   target = 0;
   for (int i = 0; text[i] != 0; i++) {
      bool known = false;
      for (const OptionList* row = options; row->letter != 0; row++)
         if (Lower(row->letter) == Lower(text[i])) {
            target |= row->code;
            known = true;
         }
      if (!known) warning(NoMeaning(), optionChar, text, text[i]);
   }
}

void SetParameter::Status() {
   int whole = *static_cast<int*>(value);
   int remaining = whole;
   bool first = true;
   for (const OptionList* row = options; row->letter != 0; row++) {
      if ((remaining & row->code) == 0 && row->code != whole) continue;
      const char* text = row->description != nullptr ? row->description : "";
      if (first)
         printf("%*s : %*s (-%c{%s})\n", nameCol, static_cast<const char*>(description), statusCol,
                text, optionChar, static_cast<const char*>(key));
      else
         printf("%*s & %*s\n", nameCol, "", statusCol, text);
      first = false;
      remaining &= ~row->code;
   }
}

// ---------------------------------------------------------------- ListParameter

ListParameter::ListParameter(char option, const char* description, int& variable, OptionList* table)
    : Parameter(option, description, &variable), key(OptionKey(table)), options(table) {}

void ListParameter::Translate(const char* text) {
   int& target = *static_cast<int*>(value);
   const OptionList* row = options;
   for (; row->letter != 0; row++)
      if (Lower(row->letter) == Lower(text[0])) {
         target = row->code;
         return;
      }
   target = row->code;
   if (text[0] != 0) warning(NoMeaning(), optionChar, text, text[0]);
}

void ListParameter::Status() {
   int code = *static_cast<int*>(value);
   const OptionList* row = options;
   while (row->letter != 0 && row->code != code) row++;
   const char* text = row->description != nullptr ? row->description : "";
   printf("%*s : %*s (-%c[%s])\n", nameCol, static_cast<const char*>(description), statusCol, text,
          optionChar, static_cast<const char*>(key));
}

// ---------------------------------------------------------------- LongParameters

LongParameters::LongParameters(const char* title, LongParameterList* list)
    : Parameter('-', title, nullptr), table(list), titleWidth(0) {
   bool additional = false;
   for (LongParameterList* row = table + 1; row->description != nullptr; row++) {
      if (row->type == 99) additional = true;
      if (additional) {
         if (row->value != nullptr) additionalOptions.Add(row->description, row);
      } else if (row->value != nullptr) {
         mainOptions.Add(row->description, row);
      } else {
         int width = static_cast<int>(strlen(row->description));
         if (width > titleWidth) titleWidth = width;
      }
   }
}

LongParameters::~LongParameters() {}

LongParameterList* LongParameters::FindRow(const String& name, bool& ambiguous) {
   ambiguous = false;
   int position = mainOptions.FindStem(name);
   if (position >= 0) return static_cast<LongParameterList*>(mainOptions.Object(position));
   if (position == -2) {
      ambiguous = true;
      return nullptr;
   }
   position = additionalOptions.FindFirstStem(name);
   if (position < 0) return nullptr;
   LongParameterList* row = static_cast<LongParameterList*>(additionalOptions.Object(position));
   row->touched = true;
   return row;
}

bool LongParameters::TranslateExtras(const char* attached, const char* next) {
   if (strchr(attached, ':') != nullptr) return false;
   bool ambiguous;
   LongParameterList* row = FindRow(attached, ambiguous);
   if (row == nullptr) return false;
   switch (row->type) {
      case 2:
         if (!CheckInteger(next)) return false;
         *static_cast<int*>(row->value) = static_cast<int>(strtol(next, nullptr, 10));
         return true;
      case 3:
         if (!CheckDouble(next)) return false;
         *static_cast<double*>(row->value) = strtod(next, nullptr);
         return true;
      case 4:
         *static_cast<String*>(row->value) = next;
         return true;
      default:
         return false;
   }
}

void LongParameters::Translate(const char* text) {
   const char* colon = strchr(text, ':');
   String name = text;
   if (colon != nullptr) name = name.Left(static_cast<int>(colon - text));
   const char* given = colon != nullptr ? colon + 1 : nullptr;

   bool ambiguous;
   LongParameterList* row = FindRow(name, ambiguous);
   if (row == nullptr) {
      if (ambiguous)
         ExplainAmbiguity(text);
      else
         warning("Command line parameter --%s is undefined\n", text);
      return;
   }

   switch (row->type) {
      case 1: {
         bool& flag = *static_cast<bool*>(row->value);
         flag = given == nullptr ? !flag : String(given).SlowCompare("ON") == 0;
         if (row->exclusive) ClearExclusiveGroup(row);
         break;
      }
      case 2: {
         int& number = *static_cast<int*>(row->value);
         if (given == nullptr)
            number = number == 0 ? 1 : 0;
         else if (String(given).SlowCompare("ON") == 0)
            number = 1;
         else
            number = static_cast<int>(String(given).AsInteger());
         break;
      }
      case 3:
         if (given != nullptr) *static_cast<double*>(row->value) = strtod(given, nullptr);
         break;
      case 4:
         if (given != nullptr) *static_cast<String*>(row->value) = given;
         break;
      default:
         break;
   }
}

// Members of an exclusive group may be bound to bools or to ints (shown as
// "ON"), so each is cleared through its own type.
void LongParameters::ClearExclusiveGroup(LongParameterList* row) {
   auto clear = [](LongParameterList& member) {
      if (member.value == nullptr) return;
      switch (member.type) {
         case 1:
            *static_cast<bool*>(member.value) = false;
            break;
         case 2:
            *static_cast<int*>(member.value) = 0;
            break;
         case 3:
            *static_cast<double*>(member.value) = 0.0;
            break;
         default:
            break;
      }
   };
   int index = static_cast<int>(row - table);
   for (int i = index - 1; i > 0 && table[i].exclusive; i--) clear(table[i]);
   for (int i = index + 1; table[i].description != nullptr && table[i].exclusive; i++)
      clear(table[i]);
}

void LongParameters::ExplainAmbiguity(const char* text) {
   const char* colon = strchr(text, ':');
   String name = text;
   if (colon != nullptr) name = name.Left(static_cast<int>(colon - text));

   String matches;
   for (int i = 0; i < mainOptions.Length(); i++) {
      if (mainOptions[i].SlowCompareToStem(name) != 0) continue;
      if (mainOptions[i].Length() + matches.Length() > 50) {
         matches += " ...";
         break;
      }
      matches.catprintf(" --%s", static_cast<const char*>(mainOptions[i]));
   }
   warning("Ambiguous --%s matches%s\n", text, static_cast<const char*>(matches));
}

void LongParameters::Status() {
   if (!description.IsEmpty()) printf("\n%s\n", static_cast<const char*>(description));

   int column = 0;
   bool needsComma = false;
   bool additional = false;
   bool additionalShown = false;
   for (LongParameterList* row = table + 1; row->description != nullptr; row++) {
      if (row->type == 99) {
         additional = true;
         continue;
      }
      if (!additional) {
         Status(row, column, needsComma);
      } else if (row->touched) {
         if (!additionalShown) {
            printf("\n\nAdditional Options:\n %*s ", titleWidth + 3, "");
            needsComma = false;
            column = titleWidth + 5;
            additionalShown = true;
         }
         Status(row, column, needsComma);
      }
   }
   printf("\n");
}

void LongParameters::Status(LongParameterList* row, int& column, bool& needsComma) {
   int indent = titleWidth == 0 ? 0 : titleWidth + 5;

   if (row->value == nullptr) {
      printf("%s %*s :", needsComma ? "\n" : "", titleWidth + 2, row->description);
      needsComma = false;
      column = indent;
      return;
   }

   String state;
   switch (row->type) {
      case 1:
         if (*static_cast<bool*>(row->value)) state = " [ON]";
         break;
      case 2: {
         int number = *static_cast<int*>(row->value);
         if (number == 1 && row->exclusive)
            state = " [ON]";
         else if (number != 0)
            state.printf(" [%d]", number);
         break;
      }
      case 3: {
         double x = *static_cast<double*>(row->value);
         if (x == MISSING_VALUE) break;
         if (x != 0 && (x < 0.01 || std::isnan(x)))
            state.printf(" [%.1e]", x);
         else
            state.printf(" [%.2f]", x);
         break;
      }
      case 4:
         state.printf(" [%s]", static_cast<const char*>(*static_cast<String*>(row->value)));
         break;
      default:
         break;
   }

   int width =
       (needsComma ? 1 : 0) + static_cast<int>(strlen(row->description)) + state.Length() + 3;
   if (column + width >= 79 && column > indent) {
      printf("%s\n%*s", needsComma ? "," : "", indent, "");
      printf("%s --%s%s", "", row->description, static_cast<const char*>(state));
      column = indent + width - 1;
   } else {
      printf("%s --%s%s", needsComma ? "," : "", row->description, static_cast<const char*>(state));
      column += width;
   }
   needsComma = true;
}

// ---------------------------------------------------------------- ParameterList

ParameterList::ParameterList(int size) : count(0), capacity(size) {
   parameters = new Parameter*[size > 0 ? size : 1];
}

ParameterList::~ParameterList() {
   for (int i = 0; i < count; i++) delete parameters[i];
   delete[] parameters;
}

void ParameterList::Add(Parameter* p) {
   if (count + 1 >= capacity) error("Parameter list size should be increased");
   p->problems = &problems;
   parameters[count++] = p;
}

void ParameterList::MakeString(int argc, char** argv, int start) {
   commandLine = "";
   for (int i = start; i < argc; i++) {
      commandLine += argv[i];
      commandLine += ' ';
   }
}

Parameter* ParameterList::Match(const char* argument) const {
   if (argument[0] != '-' || argument[1] == 0) return nullptr;
   char letter = Lower(argument[1]);
   for (int i = 0; i < count; i++)
      if (parameters[i]->optionChar == letter) return parameters[i];
   return nullptr;
}

// Hands the option at `index` (and possibly the argument after it) to `p`;
// returns the index of the first argument not used.
int ParameterList::Handle(Parameter* p, int argc, char** argv, int index) {
   const char* attached = argv[index] + 2;
   int next = index + 1;
   if (next < argc && p->TranslateExtras(attached, argv[next])) return next + 1;
   if (attached[0] == 0 && next < argc && argv[next][0] != '-') {
      p->Translate(argv[next]);
      return next + 1;
   }
   p->Translate(attached);
   return next;
}

void ParameterList::Read(int argc, char** argv, int start) {
   MakeString(argc, argv, start);
   if (argc <= start) return;
   int i = start;
   while (i < argc) {
      Parameter* p = Match(argv[i]);
      if (p == nullptr) {
         problems.catprintf("Command line parameter %s (#%d) ignored\n", argv[i], i);
         i++;
      } else {
         i = Handle(p, argc, argv, i);
      }
   }
}

int ParameterList::ReadWithTrailer(int argc, char** argv, int start) {
   MakeString(argc, argv, start);
   int last = start - 1;
   if (argc <= start) return last;
   int i = start;
   while (i < argc) {
      Parameter* p = Match(argv[i]);
      if (p == nullptr) {
         i++;
         continue;
      }
      int option = i;
      i = Handle(p, argc, argv, i);
      for (int j = last + 1; j < option; j++)
         problems.catprintf("Command line parameter %s (#%d) ignored\n", argv[j], j);
      last = i - 1;
   }
   return last;
}

void ParameterList::Status() {
   printf("\nThe following parameters are in effect:\n");
   for (int i = 0; i < count; i++) parameters[i]->Status();
   printf("\n");
   if (!problems.IsEmpty()) {
      ::warning("Problems encountered parsing command line:\n\n%s",
                static_cast<const char*>(problems));
      problems = "";
   }
   if (!notes.IsEmpty()) printf("NOTES:\n%s\n", static_cast<const char*>(notes));
}

void ParameterList::Enforce(String& value, const char* enforced, const char* format, ...) {
   if (value.SlowCompare(enforced) == 0) return;
   value = enforced;
   va_list ap;
   va_start(ap, format);
   notes.vcatprintf(format, ap);
   va_end(ap);
}

void ParameterList::Enforce(double& value, double enforced, const char* format, ...) {
   // != is also true when either side is not-a-number.
   if (!(value != enforced)) return;
   value = enforced;
   va_list ap;
   va_start(ap, format);
   notes.vcatprintf(format, ap);
   va_end(ap);
}

void ParameterList::Enforce(int& value, int enforced, const char* format, ...) {
   if (value == enforced) return;
   value = enforced;
   va_list ap;
   va_start(ap, format);
   notes.vcatprintf(format, ap);
   va_end(ap);
}

void ParameterList::Enforce(bool& value, bool enforced, const char* format, ...) {
   // Compared as stored bytes: a bool written through another type may hold
   // any byte.
   unsigned char stored, wanted;
   memcpy(&stored, &value, 1);
   memcpy(&wanted, &enforced, 1);
   if (stored == wanted) return;
   value = enforced;
   va_list ap;
   va_start(ap, format);
   notes.vcatprintf(format, ap);
   va_end(ap);
}
