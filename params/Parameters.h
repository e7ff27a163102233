// Declarative command-line options.
//
// A program binds each option to one of its own variables by creating a
// parameter of the matching kind and adding it to a ParameterList. The list
// reads the command line, writes recognised values straight into the bound
// variables, collects every problem it meets as text (nothing here is fatal
// except overfilling the list) and prints, on request, the settings in effect
// followed by the problems and notes.
//
// Single-letter options are a hyphen and a letter, in either case, with the
// value attached (-x5) or in the next argument (-x 5). LongParameters stands
// for a whole table of options written as two hyphens and a name, matched by
// any beginning that selects one name.
//
// Ownership: a ParameterList owns the parameters added to it and deletes them;
// the bound variables, option tables and long-option tables belong to the
// caller and must outlive the list's use.
#ifndef LOCI_PARAMS_PARAMETERS_H
#define LOCI_PARAMS_PARAMETERS_H

#include "base/MissingValue.h"
#include "base/StringBasics.h"
#include "base/StringMap.h"

class ParameterList;

class Parameter {
public:
   static int nameCol;    // width of the description in summary lines
   static int statusCol;  // width of the value in summary lines

   Parameter(char option, const char* description, void* value);
   Parameter(const Parameter&) = delete;
   Parameter& operator=(const Parameter&) = delete;

   // Stores the value given by `text` into the bound variable.
   virtual void Translate(const char* text) = 0;
   // Offered the text attached to the option letter and the next argument;
   // true when it took `next` as the value.
   virtual bool TranslateExtras(const char* attached, const char* next);
   virtual ~Parameter();
   // Reads a single argument "-xVALUE", "/xVALUE" or "xVALUE"; true when the
   // letter matched. ParameterList does its own matching and does not use it.
   virtual bool Read(int argc, char** argv, int index);
   // Prints this parameter's line of the settings summary.
   virtual void Status() = 0;

   // Whether `text` may be taken as a separate integer or real value.
   static bool CheckInteger(const char* text);
   static bool CheckDouble(const char* text);

   // Records a problem in the owning list, or prints it at once when the
   // parameter belongs to no list.
   void warning(const char* format, ...) LOCI_PRINTF(2, 3);

protected:
   char optionChar;
   String description;
   void* value;
   String* problems;

   friend class ParameterList;
};

class IntParameter : public Parameter {
public:
   IntParameter(char option, const char* description, int& value);

   void Translate(const char* text) override;
   bool TranslateExtras(const char* attached, const char* next) override;
   void Status() override;
};

class DoubleParameter : public Parameter {
public:
   DoubleParameter(char option, const char* description, double& value);

   // The empty text stores MISSING_VALUE.
   void Translate(const char* text) override;
   bool TranslateExtras(const char* attached, const char* next) override;
   void Status() override;
};

class StringParameter : public Parameter {
public:
   // With `inhibitDashValues` a following argument that begins with "-" is
   // never taken as the value.
   StringParameter(char option, const char* description, String& value, bool inhibitDashValues);

   void Translate(const char* text) override;
   bool TranslateExtras(const char* attached, const char* next) override;
   void Status() override;

protected:
   bool takesDashValue;
};

class SwitchParameter : public Parameter {
public:
   SwitchParameter(char option, const char* description, bool& value);

   // "+" sets, "-" clears, nothing inverts.
   void Translate(const char* text) override;
   void Status() override;
};

// One row of the caller's table for SetParameter and ListParameter; the table
// ends with a row whose letter is 0, whose code and description are the
// fallback of a list.
struct OptionList {
   char letter;
   const char* description;
   int code;
};

class SetParameter : public Parameter {
public:
   SetParameter(char option, const char* description, int& value, OptionList* options);

   // The OR of the codes of every letter given.
   void Translate(const char* text) override;
   void Status() override;

protected:
   String key;  // the rows' letters joined by "|"
   OptionList* options;
};

class ListParameter : public Parameter {
public:
   ListParameter(char option, const char* description, int& value, OptionList* options);

   // The code of the row named by the first letter.
   void Translate(const char* text) override;
   void Status() override;

protected:
   String key;  // the rows' letters joined by "|"
   OptionList* options;
};

// One row of a long-option table. Row 0 is an all-zero sentinel; options and
// group titles (rows without a bound variable) follow; a row whose
// description is null ends the table. Every row after one of type 99 is an
// additional option, shown in the summary only once used.
struct LongParameterList {
   const char* description;  // the name after "--", or a group title
   void* value;              // bound variable; null for a title
   bool exclusive;           // consecutive exclusive rows clear each other
   int type;                 // 1 bool, 2 int, 3 double, 4 String, 99 marker
   bool touched;             // an additional option was used
};

class LongParameters : public Parameter {
public:
   LongParameters(const char* title, LongParameterList* table);

   // Handles "name" and "name:value".
   void Translate(const char* text) override;
   bool TranslateExtras(const char* attached, const char* next) override;
   ~LongParameters() override;
   // Prints the groups as wrapped lists of options with their values.
   void Status() override;

   // Prints one row, continuing the line at `column`.
   void Status(LongParameterList* row, int& column, bool& needsComma);
   // Records which names an ambiguous `text` could stand for.
   void ExplainAmbiguity(const char* text);

protected:
   StringMap mainOptions;
   StringMap additionalOptions;
   LongParameterList* table;
   int titleWidth;

private:
   // The row for `name`: null when there is none, and then `ambiguous`
   // tells why.
   LongParameterList* FindRow(const String& name, bool& ambiguous);
   void ClearExclusiveGroup(LongParameterList* row);
};

class ParameterList {
public:
   explicit ParameterList(int size);
   ParameterList(const ParameterList&) = delete;
   ParameterList& operator=(const ParameterList&) = delete;

   // Takes ownership; fatal when the list is full (it holds size - 1).
   void Add(Parameter* p);

   virtual ~ParameterList();
   // Reads arguments start .. argc - 1; every argument that is not a known
   // option is recorded as ignored.
   virtual void Read(int argc, char** argv, int start);
   // As Read, but arguments after the last option are left to the caller:
   // returns the index of the last argument an option used, or start - 1.
   virtual int ReadWithTrailer(int argc, char** argv, int start);
   // Prints the settings in effect, then the problems (which are then
   // forgotten) and the notes.
   virtual void Status();

   // The arguments start .. argc - 1, each followed by one blank.
   void MakeString(int argc, char** argv, int start);
   const String& CommandLine() const { return commandLine; }

   // When `value` differs from `enforced`, set it and record the note.
   void Enforce(String& value, const char* enforced, const char* format, ...) LOCI_PRINTF(4, 5);
   void Enforce(double& value, double enforced, const char* format, ...) LOCI_PRINTF(4, 5);
   void Enforce(int& value, int enforced, const char* format, ...) LOCI_PRINTF(4, 5);
   void Enforce(bool& value, bool enforced, const char* format, ...) LOCI_PRINTF(4, 5);

protected:
   Parameter** parameters;
   int count;
   int capacity;
   String commandLine;
   String problems;
   String notes;

private:
   Parameter* Match(const char* argument) const;
   int Handle(Parameter* p, int argc, char** argv, int index);
};

#endif
