// FortranFormat: reads fixed-column text records field by field, as a FORTRAN
// format statement lays them out (the locus and pedigree files of the MENDEL
// layout are such records).
//
// Accepted: data descriptors with a width (A8, I3, F10.3 and the like, all read
// as trimmed text), repeat counts, nested bracketed groups with repeat counts,
// column skips (nX), record skips (/), tabs (Tc to column c counted from 1,
// TLn and TRn) and the colon stop. Descriptor letters are upper case. Items
// are separated by commas; a descriptor directly behind "/", ":", X or a
// closing bracket is read as the next item. Q, P and B, widths after X or /,
// data and tab descriptors without a width, repeat counts of zero and numbers
// above 2147483647 are fatal through `error` when the reader reaches them,
// naming the statement.
//
// Invariants: the reader never opens or closes its input; copies share it. A
// record shorter than a field yields the characters that are there, possibly
// none, and past the end of the input every record is empty, so callers test
// the end of their file themselves. Positions beyond any record saturate at
// column 2147483648 rather than overflow. A group with repeat count n runs n
// times; once the statement is exhausted the next field starts a new record,
// and the statement restarts at its last closed group (or at its beginning
// when it has none). `GetNextField` always returns a field or ends the
// process: a statement whose repeated part reads no field is fatal, and so is
// one that repeats descriptors more than 10 million times between two fields
// (or in the rest of a pass that `Flush` discards), or that takes, in one
// record, more steps that read no field than one pass over the statement plus
// 100 for each field the record gives: the work stays in proportion to the
// fields and records read.
#ifndef LOCI_PEDIGREE_FORTRANFORMAT_H
#define LOCI_PEDIGREE_FORTRANFORMAT_H

#include "base/IntArray.h"
#include "base/StringBasics.h"
#include "io/InputFile.h"

class FortranFormat {
public:
   FortranFormat();

   // The next field read starts a new record of `file`.
   void SetInputFile(IFILE& file);
   // Installs `statement` (white space is dropped) and resets the reader. Fatal
   // when it is not enclosed in a pair of matching brackets.
   void SetFormat(const String& statement);

   // The next field, trimmed, reading new records as the statement demands.
   void GetNextField(String& field);
   // First character of the next field; 0 when the field is empty.
   char GetNextCharacter();
   // The next field as a number, by String::AsInteger (0 for non-numbers).
   int GetNextInteger();

   // Discards the rest of the current pass through the statement: the next
   // field starts a new record with the statement from its beginning. Where no
   // pass is under way (after SetFormat or another Flush), one is begun and
   // discarded, which takes a record.
   void Flush();

private:
   String record;
   int position;  // next unread character of record; -1: read a record first
   String format;
   int formatPosition;
   int repeatCount;  // repetitions pending for the current descriptor; 0: none read
   IFILE input;
   IntArray groupStart, groupCount, groupRemaining;  // open groups, innermost last
   int lastGroupStart, lastGroupCount;               // where an exhausted statement restarts
   String buffer;
   bool endOfPattern;         // the last step ended a pass or stopped at ':'
   int stepsTaken;            // descriptor repetitions the last step applied
   bool discarding;           // Flush is passing over the rest of a pass
   long long idleSteps;       // steps of the current record that gave no field
   long long fieldsInRecord;  // fields the current record gave

   void Reset();
   void StartRecord();
   void CountIdleStep();  // fatal once the record's steps outrun its fields
   bool ProcessToken(String& field);
   void FinishField(bool singleCharacter);
   void RejectWidth(char type);
   bool DigitFollows() const;
   bool CharacterFollows() const;
   int GetIntegerFromFormat();
   void ReadRecords(int count);
   bool InputEnded();  // past the last record: every further record is empty
   void RequireStatement() const;
};

#endif
