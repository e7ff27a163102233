#include "tests/support/TestSupport.h"

#include <filesystem>

namespace testsupport {

int RunCaseFiles(const std::string& folder, const std::string& outcome,
                 const std::function<void(std::string steps)>& run) {
   GTEST_FLAG_SET(death_test_style, "threadsafe");
   int cases = 0;
   for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::string name = entry.path().filename();
      SCOPED_TRACE(name);
      std::string text = ReadFile(entry.path());
      TempDir dir;
      std::string steps = text.substr(0, text.find('\n')), expected, section;
      for (size_t at = text.find("\n%% "); at != std::string::npos;) {
         size_t nameEnd = text.find('\n', at + 1);
         size_t next = text.find("\n%% ", nameEnd);
         section = text.substr(at + 4, nameEnd - at - 4);
         if (section == outcome || section == "fatal") {
            expected = text.substr(nameEnd + 1);
            break;
         }
         dir.Write(section, text.substr(nameEnd + 1, next == std::string::npos ? std::string::npos
                                                                               : next - nameEnd));
         at = next;
      }
      std::filesystem::path start = std::filesystem::current_path();
      std::filesystem::current_path(dir.Path());
      EXPECT_EXIT_PRINTING(run(steps), section == "fatal" ? 1 : 0, expected);
      std::filesystem::current_path(start);
      cases++;
   }
   return cases;
}

}  // namespace testsupport
