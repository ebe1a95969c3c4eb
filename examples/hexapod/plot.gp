# The hexapod demo's plot: commanded against recovered pose, and the actuator
# displacements Posjack computed. Called with
#   gnuplot -e "motion='MOTION.csv'; chain='CHAIN.csv'; out='PLOT.png'" plot.gp
# Motion columns: 1 t, 2-7 pose commands. Chain columns: 1 t, 2-7 Posjack's
# actuator displacements, 26-31 Jackpos's recovered pose.
set datafile separator ","
set terminal pngcairo size 1400,1200 noenhanced font ",10"
set output out
set key outside right top
set grid
set xlabel "time (s)"
set multiplot layout 3,1 title "Hexapod table: Posjack then Jackpos (lines: commanded, points: recovered)"

set title "Translations"
set ylabel "mm"
plot for [j=0:2] motion using 1:(column(2+j)) skip 1 with lines lw 1.5 lc j+1 title word("x y z", j+1), \
     for [j=0:2] chain using 1:(column(26+j)) skip 1 every 100 with points pt 6 ps 0.8 lc j+1 title word("x y z", j+1)." recovered"

set title "Rotations"
set ylabel "deg"
plot for [j=0:2] motion using 1:(column(5+j)) skip 1 with lines lw 1.5 lc j+4 title word("roll pitch yaw", j+1), \
     for [j=0:2] chain using 1:(column(29+j)) skip 1 every 100 with points pt 6 ps 0.8 lc j+4 title word("roll pitch yaw", j+1)." recovered"

set title "Actuator displacements (Posjack output 0)"
set ylabel "mm"
plot for [i=0:5] chain using 1:(column(2+i)) skip 1 with lines lw 1.2 title sprintf("strut %d", i+1)

unset multiplot
