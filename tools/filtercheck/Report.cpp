#include "Report.h"

namespace filtercheck {

namespace {

const char* Label(CheckOutcome outcome) {
  switch (outcome) {
    case CheckOutcome::Ok:
      return "ok  ";
    case CheckOutcome::Fail:
      return "FAIL";
    default:
      return "SKIP";
  }
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        // XML 1.0 takes no control characters but tab, line feed and carriage return.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
          out += '?';
        else
          out += c;
    }
  }
  return out;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

}  // namespace

void PrintResults(FILE* out, const std::vector<CheckResult>& results) {
  int cFail = 0, cSkip = 0;
  double seconds = 0;
  for (const CheckResult& r : results) {
    seconds += r.seconds;
    cFail += r.outcome == CheckOutcome::Fail;
    cSkip += r.outcome == CheckOutcome::Skip;
    fprintf(out, "%s %-28s", Label(r.outcome), r.name.c_str());
    if (r.outcome != CheckOutcome::Ok && !r.findings.empty()) fprintf(out, " %s", r.findings.front().c_str());
    fprintf(out, "\n");
    // An ok check's findings are its figures; a failure's first finding is on its line.
    const size_t iFirst = r.outcome == CheckOutcome::Ok ? 0 : 1;
    for (size_t i = iFirst; i < r.findings.size() && i < iFirst + 8; ++i)
      fprintf(out, "     %s\n", r.findings[i].c_str());
  }
  fprintf(out, "%zu checks: %zu ok, %d failed, %d skipped (%.1f s)\n", results.size(), results.size() - cFail - cSkip,
          cFail, cSkip, seconds);
}

std::string JUnitXml(const std::string& path, const std::vector<CheckResult>& results) {
  int cFail = 0, cSkip = 0;
  double seconds = 0;
  std::string cases;
  char sz[64];
  for (const CheckResult& r : results) {
    seconds += r.seconds;
    const std::string group = r.name.substr(0, r.name.find('.'));
    snprintf(sz, sizeof sz, "%.3f", r.seconds);
    cases += "  <testcase classname=\"filtercheck." + Escaped(group) + "\" name=\"" + Escaped(r.name) + "\" time=\"" +
             sz + "\"";
    const std::string text = Escaped(Joined(r.findings));
    const std::string first = r.findings.empty() ? std::string() : Escaped(r.findings.front());
    if (r.outcome == CheckOutcome::Fail) {
      ++cFail;
      cases += ">\n    <failure message=\"" + first + "\">" + text + "</failure>\n  </testcase>\n";
    } else if (r.outcome == CheckOutcome::Skip) {
      ++cSkip;
      cases += ">\n    <skipped message=\"" + first + "\"/>\n  </testcase>\n";
    } else if (!r.findings.empty()) {
      cases += ">\n    <system-out>" + text + "</system-out>\n  </testcase>\n";
    } else {
      cases += "/>\n";
    }
  }
  snprintf(sz, sizeof sz, "%.3f", seconds);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n <testsuite name=\"filtercheck\" tests=\"" +
         std::to_string(results.size()) + "\" failures=\"" + std::to_string(cFail) + "\" errors=\"0\" skipped=\"" +
         std::to_string(cSkip) + "\" time=\"" + sz + "\">\n  <properties>\n   <property name=\"filter\" value=\"" +
         Escaped(path) + "\"/>\n  </properties>\n" + cases + " </testsuite>\n</testsuites>\n";
}

}  // namespace filtercheck
