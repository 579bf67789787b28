#include "ui/figure/FigureOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <sstream>

namespace morvane::figure {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

double Number(const std::string &option, const std::string &text, double low, double high) {
  char *end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(value) || value < low || value > high)
    throw FigureOptionError(option + " needs a number from " + std::to_string(int(low)) + " to " +
                            std::to_string(int(high)) + ", not \"" + text + "\"");
  return value;
}

bool FormatNamed(const std::string &name, FigureFormat &format) {
  const std::string n = Lower(name);
  if (n == "png")
    format = FigureFormat::Png;
  else if (n == "svg")
    format = FigureFormat::Svg;
  else if (n == "pdf")
    format = FigureFormat::Pdf;
  else
    return false;
  return true;
}

// "10", "3.94": a length as the user reads it.
std::string Length(double value) {
  std::ostringstream text;
  text << std::setprecision(3) << value;
  return text.str();
}

using Taken = std::vector<std::pair<std::string, std::string>>;

// Splits `args` into the figure options (each with its value, in order) and
// the others.
Taken Split(const std::vector<std::string> &args, std::vector<std::string> &rest) {
  Taken taken;
  const std::vector<std::string> valued = {"--format", "--width",  "--height", "--unit",  "--dpi",
                                           "--font",   "--charts", "-o",       "--output"};
  for (std::size_t k = 0; k < args.size(); ++k) {
    std::string name = args[k], value;
    const std::size_t equals = name.find('=');
    if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      if (std::find(valued.begin(), valued.end(), name) == valued.end()) {
        rest.push_back(args[k]);
        continue;
      }
    } else if (std::find(valued.begin(), valued.end(), name) != valued.end()) {
      if (k + 1 >= args.size())
        throw FigureOptionError(name + " needs a value");
      value = args[++k];
    } else if (name == "--caption") {
      taken.emplace_back(name, "");
      continue;
    } else {
      rest.push_back(args[k]);
      continue;
    }
    taken.emplace_back(name == "--output" ? "-o" : name, value);
  }
  return taken;
}

} // namespace

std::vector<std::string> FigureOptionWords(const FigureSettings &s, bool oneChart) {
  const auto exact = [](double v) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::string(text, end);
  };
  const char *formats[] = {"png", "svg", "pdf"};
  std::vector<std::string> words = {
      "--format", formats[int(s.format)], "--unit",   s.unit == LengthUnit::Cm ? "cm" : "in",
      "--width",  exact(s.width),         "--height", exact(s.height),
      "--dpi",    std::to_string(s.dpi),  "--font",   exact(s.fontPt)};
  if (!oneChart) {
    const char *charts[] = {"both", "frequencies", "fitness"};
    words.insert(words.end(), {"--charts", charts[int(s.charts)]});
  }
  if (s.caption)
    words.push_back("--caption");
  return words;
}

std::vector<std::string> WithoutFigureOptions(std::vector<std::string> args) {
  std::vector<std::string> rest;
  Split(args, rest);
  return rest;
}

FigureOptions ParseFigureOptions(std::vector<std::string> &args, bool oneChart) {
  std::vector<std::string> rest;
  const Taken taken = Split(args, rest);
  FigureCharts charts = oneChart ? FigureCharts::Frequencies : FigureCharts::Both;
  for (const auto &[name, value] : taken)
    if (name == "--charts") {
      const std::string v = Lower(value);
      if (v == "both" || v == "all")
        charts = FigureCharts::Both;
      else if (v == "frequencies" || v == "p-q")
        charts = FigureCharts::Frequencies;
      else if (v == "fitness" || v == "dg-fit")
        charts = FigureCharts::Fitness;
      else
        throw FigureOptionError("--charts is both, frequencies or fitness, not \"" + value + "\"");
    }
  FigureOptions o;
  o.settings = DefaultFigureSettings(charts);
  bool formatGiven = false;
  for (const auto &[name, value] : taken) {
    FigureSettings &s = o.settings;
    if (name == "--format") {
      if (!FormatNamed(value, s.format))
        throw FigureOptionError("--format is png, svg or pdf, not \"" + value + "\"");
      formatGiven = true;
    } else if (name == "--unit") {
      const std::string v = Lower(value);
      if (v == "cm")
        s.unit = LengthUnit::Cm;
      else if (v == "in" || v == "inch" || v == "inches")
        s.unit = LengthUnit::Inch;
      else
        throw FigureOptionError("--unit is cm or in, not \"" + value + "\"");
    } else if (name == "--dpi") {
      s.dpi = int(std::lround(Number(name, value, 36, 2400)));
    } else if (name == "--font") {
      s.fontPt = Number(name, value, 4, 36);
    } else if (name == "--caption") {
      s.caption = true;
    } else if (name == "-o") {
      o.output = value;
    }
  }
  // Lengths in the unit given, wherever --unit stands; lengths not given
  // are the defaults, in that unit.
  const double perCm = o.settings.unit == LengthUnit::Cm ? 1 : 1 / 2.54;
  if (o.settings.unit == LengthUnit::Inch) {
    o.settings.width *= perCm;
    o.settings.height *= perCm;
  }
  for (const auto &[name, value] : taken) {
    if (name == "--width")
      o.settings.width = Number(name, value, 0, kMaxLengthCm * perCm);
    else if (name == "--height")
      o.settings.height = Number(name, value, 0, kMaxLengthCm * perCm);
  }
  const double minWidth = MinimumWidth(charts, o.settings.unit);
  const double minHeight = kMinHeightCm * perCm;
  if (o.settings.width < minWidth - 1e-9 || o.settings.height < minHeight - 1e-9)
    throw FigureOptionError("the figure is at least " + Length(minWidth) + " x " +
                            Length(minHeight) +
                            (o.settings.unit == LengthUnit::Cm ? " cm" : " in"));
  if (o.output.empty())
    throw FigureOptionError("-o names the figure's file");
  if (!formatGiven) {
    const std::size_t dot = o.output.rfind('.');
    if (dot == std::string::npos || !FormatNamed(o.output.substr(dot + 1), o.settings.format))
      throw FigureOptionError("the figure's file ends in .png, .svg or .pdf, or --format "
                              "names its format");
  }
  args = rest;
  return o;
}

const char *FigureOptionsHelp() {
  return "Figure options:\n"
         "  -o, --output FILE  the figure's file; its extension (.png, .svg, .pdf) gives\n"
         "                     the format unless --format does\n"
         "  --format FORMAT    png, svg or pdf\n"
         "  --width W          width on the page (default 17 cm for both charts, 8.5 cm\n"
         "                     for one)\n"
         "  --height H         height on the page (default 8 cm for both, 7 cm for one)\n"
         "  --unit UNIT        cm (default) or in\n"
         "  --dpi N            resolution of a PNG, recorded in the file (default 300)\n"
         "  --font PT          font size in points (default 8)\n"
         "  --charts WHICH     both (default), frequencies (p and q) or fitness (DG and\n"
         "                     Fit); a clonal series has one chart\n"
         "  --caption          add a caption naming the series' parameters\n";
}

} // namespace morvane::figure
