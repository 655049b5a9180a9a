# Draws the accuracy plot from the data that accuracy_report writes: one panel per alpha, n on a
# logarithmic axis, errors in units of the third decimal. tools/accuracy/regenerate runs it as
#   gnuplot -e "data='DATA'; output='docs/accuracy.png'" tools/accuracy/accuracy.gp
if (!exists("data")) data = 'accuracy.dat'
if (!exists("output")) output = 'accuracy.png'

set terminal pngcairo size 1400,1200 font "DejaVu Sans,11"
set output output
set encoding utf8

alphas = "0.001 0.01 0.02 0.05 0.10 0.20"
lower_colour = "#1f5fa8"
upper_colour = "#c0392b"

set multiplot layout 3,2 title "quiquadrado: critical value minus exact quantile, in units of the third decimal" font ",14" \
    margins 0.06, 0.98, 0.05, 0.90 spacing 0.07, 0.08
set logscale x 10
set xrange [1:1000]
set format x "%g"
# At least one unit either way, more where the errors need it.
set yrange [*<-1.5:1.5<*]
set ytics 1
set grid xtics ytics mxtics
set xlabel "degrees of freedom n"
set ylabel "thousandths"
set zeroaxis

# One key for all panels, under the title.
set key at screen 0.5, 0.945 center horizontal maxcols 4 maxrows 1 samplen 2 width 1

do for [i = 1:6] {
  set title sprintf("alpha = %s", word(alphas, i))
  # Columns: 1 n, 3 and 4 lower and upper error, 5 and 6 printed differences in thousandths.
  plot data index (i - 1) using 1:($3 * 1000) with lines lw 1.5 lc rgb lower_colour title "lower value, error", \
       data index (i - 1) using 1:($4 * 1000) with lines lw 1.5 lc rgb upper_colour title "upper value, error", \
       data index (i - 1) using 1:($5 != 0 ? $5 : NaN) with points pt 6 ps 1.0 lc rgb lower_colour title "lower value printed off", \
       data index (i - 1) using 1:($6 != 0 ? $6 : NaN) with points pt 2 ps 1.0 lc rgb upper_colour title "upper value printed off"
  unset key
}
unset multiplot
