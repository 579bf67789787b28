// The worked example of the result files, written out once: haploids with
// local panmixia from the initial texts of the input window, an equilibrium
// that runs one generation and stops.
#pragma once

#include <string>

namespace morvane::worked {

inline const std::string kDetailHeader =
    "T\tp\tq\tDG\tFit\tW1\tW2\tx\td\tW1(A)\tW2(A)\tW1(a)\tW2(a)\ti\tj\tc\t"
    "TradeOff\tESS\tPloidy\tReproduction\r\n";
inline const std::string kDetailParameters =
    "0\t0.5000\t0.5000\t0.0000\t 0.00000000000000E+0000\t0\t0\t1.0000\t1.0000\t  1.000000\t"
    "  1.000000\t  1.000000\t1.0000000000\t1\t1\t0.5000\tNoTO\tNoESS\tHaploid\tLocal\r\n";
inline const std::string kDetailGeneration1 =
    "1\t 5.00000000000000E-0001\t 5.00000000000000E-0001\t 0.00000000000000E+0000\t"
    " 0.00000000000000E+0000\t 5.00000000000000E-0001\t 5.00000000000000E-0001\t\r\n";
inline const std::string kPlotLine0 = "0\t0.5000\t0.5000\t0.0000\t0.0000\r\n";
inline const std::string kPlotGeneration1 = "1\t0.50000\t0.50000\t0.00000\t0.00\r\n";
inline const std::string kFinalHeader =
    "T\tx\td\tW1(A)\tW2(A)\tW1(a)\tW2(a)\ti\tj\tc\tp or f(AB)\tq or f(Ab)\tDG or f(aB)\t"
    "Fit or f(ab)\tTradOfStatus\tESSStatus\tPloidy\tReproduction\tFile Name\r\n";
inline const std::string kFinalRecord =
    "1\t1.00\t1.00\t1.00\t1.00\t1.00\t1.00\t1\t1\t0.50\t0.5000\t"
    "0.5000\t0.0000\t0.0000\tNoTO\tNoESS\tHaploid\tLocal\t"
    "PlotSexFile.plo\r\n";

} // namespace morvane::worked
