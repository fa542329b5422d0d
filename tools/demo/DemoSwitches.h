// The switch text of the demonstration release: every switch and list of the switch file, in
// sections with Chinese comments, put together from what each part of the demonstration
// (program files, tables, form files) needs.
#pragma once

#include <string>
#include <string_view>

namespace kvt::demo {

// The switch text (UTF-8, CR LF), section [System].
std::string DemoSwitchFileText();

// Joins switch lines into one text: "[System]" lines and blank lines are dropped, a key met a
// second time is left out (the first value stands, as the switch file reader would take it),
// comment lines are kept, and every line ends with CR LF.
std::string MergeSwitchLines(std::string_view text, std::string& seenKeys);

}  // namespace kvt::demo
