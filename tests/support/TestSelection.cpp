#include "tests/support/TestSelection.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace korvanta::test {
namespace {

std::vector<std::string> SplitAtCommas(const std::string& text)
{
    std::vector<std::string> parts;
    size_t begin = 0;
    while (begin <= text.size()) {
        const size_t end = std::min(text.find(',', begin), text.size());
        if (end > begin)
            parts.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return parts;
}

// Whether `file` (as the compiler was given it: an absolute path) is one of
// `sources` (paths from the project root).
bool DefinedIn(const std::string& file, const std::vector<std::string>& sources)
{
    for (const std::string& source : sources) {
        if (file.size() >= source.size() + 1 && file.compare(file.size() - source.size(), source.size(), source) == 0
            && file[file.size() - source.size() - 1] == '/')
            return true;
    }
    return false;
}

} // namespace

bool SelectTestsOfSources()
{
    const char* listed = std::getenv("KORVANTA_TEST_SOURCES");
    if (listed == nullptr || *listed == '\0' || GTEST_FLAG_GET(filter) != "*")
        return true;
    const std::vector<std::string> sources = SplitAtCommas(listed);
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    std::string filter;
    for (int i = 0; i < unit.total_test_suite_count(); ++i) {
        const ::testing::TestSuite& suite = *unit.GetTestSuite(i);
        for (int j = 0; j < suite.total_test_count(); ++j) {
            const ::testing::TestInfo& info = *suite.GetTestInfo(j);
            if (!DefinedIn(info.file(), sources))
                continue;
            if (!filter.empty())
                filter += ':';
            filter += std::string(suite.name()) + '.' + info.name();
        }
    }
    if (filter.empty()) {
        std::fprintf(stderr, "KORVANTA_TEST_SOURCES=%s: this program has no test case in those files\n", listed);
        return false;
    }
    GTEST_FLAG_SET(filter, filter);
    return true;
}

} // namespace korvanta::test
