#!/usr/bin/env Rscript
# The Levene threshold from R, through reticulate: the same sweep as
# levene.py (haploids, x = 1, d = 1, i = j = 1, W1A = 0.9, W2A = 0.6,
# W1a = 0.6, W2a = 0.9), p against c with the theory line
# p = (c - 0.4) / 0.2.
#
#   Rscript levene.R [FIGURE]        (default levene-r.png)
library(reticulate)
if (file.exists("/usr/bin/python3")) use_python("/usr/bin/python3", required = TRUE)
morvane <- import("morvane")

args <- commandArgs(trailingOnly = TRUE)
figure_file <- if (length(args) > 0) args[1] else "levene-r.png"

table <- morvane$sweep("haploid-local", vary = dict(c = tuple(0.3, 0.7, 81L)),
                       x = 1, d = 1, i = 1L, j = 1L,
                       W1A = 0.9, W2A = 0.6, W1a = 0.6, W2a = 0.9)
theory <- pmin(pmax((table$c - 0.4) / 0.2, 0), 1)

png(figure_file, width = 900, height = 600, res = 150)
plot(table$c, table$p, pch = 19, cex = 0.6, col = "steelblue",
     xlab = "c (frequency of habitat 1)", ylab = "p (frequency of allele A)",
     main = "Levene threshold, haploids, x = 1, d = 1")
lines(table$c, theory, col = "darkorange", lwd = 2)
legend("topleft", c("Morvane (equilibrium p)", "theory: p = (c - 0.4) / 0.2"),
       pch = c(19, NA), lty = c(NA, 1), col = c("steelblue", "darkorange"), bty = "n")
invisible(dev.off())

gap <- max(abs(table$p - theory))
cat(sprintf("%s: %d points, largest gap to the theory line %.2g\n", figure_file, nrow(table), gap))
# At the thresholds the lost allele goes slowly: see levene.py.
if (!all(table$converged) || gap > 5e-3) {
  message("levene.R: the sweep does not follow the theory line")
  quit(status = 1)
}
