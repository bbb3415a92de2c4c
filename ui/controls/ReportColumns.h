#pragma once
#include <string>
#include <vector>

// A column of a report-view list whose rows the surfaces hold (the drive list and the
// message list of the main window).
struct TReportColumn {
  std::string Caption;
  int Width = 0;
  bool RightAligned = false;
};

struct TReportList {
  std::vector<TReportColumn> Columns;
};
