#include "pedigree/FortranFormat.h"

#include <sstream>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

TEST(FortranFormat, ReadsTheFieldsTheStatementLaysOut) {
   // Expected fields in reading order, separated by '|'. '^' calls Flush instead;
   // '#' reads the field as an integer and '\'' as its first character.
   const struct {
      const char *statement, *records, *fields;
   } cases[] = {
       {"(A8,I3,2A1)", "FAMILY01 12x \n", "'F|#12|'x|'"},
       {"(2A3)", "ab c  \n", "ab|c"},
       {"(A2,2X,A2)", "abcdef\n", "ab|ef"},
       {"(I3,/,I3)", "  1\n  2\n", "1|2"},
       {"(A2)", "abcd\nefgh\n", "ab|ef"},
       {"(A2,(A1))", "abcd\nefgh\nijkl\n", "ab|c|e|i"},
       {"(A2,A2)", "abcd\nefgh\n", "ab|^|ef"},
       // A group with count n runs n times; an exhausted statement restarts at
       // its last top-level group, with that group's count, on a new record.
       {"(2(A1,1X))", "a b c\nd e f\n", "a|b|d|e"},
       {"(A1,2(A1,2(A1)))", "abcdefgh\nijklmnop\n", "a|b|c|d|e|f|g|i|j|k|l|m|n"},
       // Flush after a finished pass starts the next record at the beginning.
       {"(A1,(A1))", "ab\ncd\nef\n", "a|b|^|c|d"},
       // Flush stops at ":" and so does not carry out the "/" behind it.
       {"(A1,:,/,A1)", "ab\ncd\nef\n", "a|^|c"},
       {" ( A2 ,\tA1 )\r\n(junk", "abc\n", "ab|c"},
       {"(A1,TL5,A2,T4,A2,TL4,A1,TR2,A1)", "abcdefgh\n", "a|ab|de|b|e"},
       // Repeated tabs, and repeated fields that Flush discards, move at once.
       {"(A1,3TR2,A1,2TL9,A1)", "abcdefghij\n", "a|h|a"},
       {"(A1,3A2,A1)", "abcdefgh\nijklmnop\n", "a|^|i|jk"},
       {"(A1,2147483647(2147483647(A1,TR9)),A1)", "abc\nde\n", "a|^|d|e"},
       {"(A1,3(A1,/),A1)", "ab\nc\nd\ne\nf\n", "a|^|f"},
       {"(A1,2147483647(A1,/),A1)", "ab\ncd\n", "a|^|"},
       // Short records and the end of the input give what is there, then nothing.
       {"(A3,A3)", "abcd", "abc|d||"},
       {"(A1,3/,A1)", "a\nb\n", "a|"},
       {"(A1,2147483647X,A1,TR2147483647,A1)", "abc\n", "a||"},
       {"(A2147483647)", "abc\ndef\n", "abc|def"},
       {"(F6.2,E9.2E2)", "  1.25-1.00E+03\n", "1.25|-1.00E+03"},
       // Descriptors without separating commas are read, not passed over.
       {"(A1:A1,2XA1,(A1)A1/A1)", "abcdef\nxyz\n", "a|b|e|f||x"},
   };
   testsupport::TempDir dir;
   for (const auto& c : cases) {
      IFILE file = ifopen(dir.Write("records.txt", c.records).c_str(), "rb");
      FortranFormat reader;
      reader.SetInputFile(file);
      reader.SetFormat(c.statement);
      std::istringstream fields(std::string(c.fields) + "|");
      String field;
      auto next = [&] { return std::string((reader.GetNextField(field), field)); };
      for (std::string expected; std::getline(fields, expected, '|');) {
         if (expected == "^")
            reader.Flush();
         else if (expected[0] == '#')
            EXPECT_EQ(reader.GetNextInteger(), std::stoi(expected.substr(1))) << c.statement;
         else if (expected[0] == '\'')
            EXPECT_EQ(reader.GetNextCharacter(), expected[1]) << c.statement;  // NUL when empty
         else
            EXPECT_EQ(next(), expected) << c.statement;
      }
      ifclose(file);
   }
}

TEST(FortranFormat, EachFieldPaysForStepsThatReadNone) {
   // 100 steps that read no field before every field, 2000 fields to a record,
   // record after record.
   testsupport::TempDir dir;
   IFILE file = ifopen(dir.Write("records.txt", "a\nb\nc\n").c_str(), "rb");
   FortranFormat reader;
   reader.SetInputFile(file);
   reader.SetFormat("(2000(A1,99(1X)))");
   String field;
   for (const char* first : {"a", "b", "c"})
      for (int i = 0; i < 2000; i++) {
         reader.GetNextField(field);
         ASSERT_STREQ(field, i == 0 ? first : "");
      }
   ifclose(file);
}

TEST(FortranFormat, MalformedStatementsAreFatalWhenReached) {
   // '%' stands for the statement.
   const std::string invalid = "Invalid FORTRAN format statement\n\nThe statement \"%\" ";
   const std::string unrecognized = "Unrecognized FORMAT statement\n\nStatement \"%\" ";
   const std::string widthAfter =
       "Unrecognized FORTRAN format statement\n\nThe statement \"%\" includes width specifier "
       "for field of type '";
   const std::string noWidth = unrecognized + "is missing a width specifier for a field of type '";
   const std::string unbracketed = invalid + "is not bracketed correctly.\n";
   const std::string noField = invalid + "repeats descriptors that read no field.\n";
   const std::string tooMany = invalid + "repeats descriptors more than 10000000 times ";
   const std::string perField =
       invalid +
       "repeats descriptors that read no field more than 100 times per field of a record.\n";
   const struct {
      const char* statement;
      std::string message;
      bool flush = false;
   } cases[] = {
       {"A8,I3", unbracketed},
       {"(A2,(A1)", unbracketed},
       {"(A8,3X2)", widthAfter + "X'.\n"},
       {"(A1,/2)", widthAfter + "/'.\n"},
       {"(A)", noWidth + "A'\n"},
       {"(A1,TL0)", noWidth + "TL'\n"},
       {"()", noWidth + "'\n"},
       {"(A2,P3)",
        "Unsupported pattern in FORMAT statement\n\nStatement \"%\" includes unsupporterd pattern "
        "'P3'\n"},
       {"(A1,0A2)", unrecognized + "includes a repeat count of zero\n"},
       {"(A2147483648)", unrecognized + "includes a repeat count or width above 2147483647\n"},
       {"(X)", noField},
       {"(/)", noField},
       {"(:)", noField},
       {"(A2,(X))", noField},
       {"(A1,2000000000TR1)", tooMany + "between two fields.\n"},
       // Under the bound between two fields, but millions of steps for every record.
       {"(A8,3000000(T1),A8)", perField},
       // Past the end of the input, "/" reads no record that would pay for it.
       {"(A1,9000000(/),A1)", perField},
       {"(A1,9999999A1,9999999A1)", tooMany + "in one pass.\n", true}};
   for (const auto& c : cases) {
      std::string expected = "\nFATAL ERROR - \n" + c.message + "\n\n";
      expected.replace(expected.find('%'), 1, c.statement);
      FortranFormat reader;
      String field;
      EXPECT_FATAL(
          {
             reader.SetFormat(c.statement);
             for (int i = 0; i < 3; i++) c.flush ? reader.Flush() : reader.GetNextField(field);
          },
          expected)
          << c.statement;
   }
   FortranFormat reader;
   EXPECT_FATAL(reader.Flush(),
                "\nFATAL ERROR - \nInvalid FORTRAN format statement\n\nNo "
                "statement was installed before the first field was read.\n\n\n");
}

}  // namespace
