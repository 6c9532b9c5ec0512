#pragma once
// A folder's tests of one kind share one program, but every ctest entry runs
// in a process of its own (alsa-lib reads its configuration once per
// process, and each entry has its own home and settings file). An entry
// names its source files in KORVANTA_TEST_SOURCES (paths from the project
// root, separated by commas); the program then runs the test cases defined
// in those files and no other. Suite names repeat across files, so the
// selection names whole test cases, never suites.

namespace korvanta::test {

// Call after InitGoogleTest. Without KORVANTA_TEST_SOURCES, or with a filter
// given on the command line (a test that runs one of its own cases in a
// child), the program runs as asked. Returns false, with a line on
// standard error, when the files name no test case: an entry that runs
// nothing must not pass.
bool SelectTestsOfSources();

} // namespace korvanta::test
