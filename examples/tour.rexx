/* A tour of the Qirven math functions: small real tasks a REXX program
   might do, each using the package's functions. Run it with
       regina examples/tour.rexx
   once libqirven.so is where Regina finds it (its add-on folder, or the
   folder named by REGINA_ADDON_DIR). */

call RxFuncAdd 'mathloadfuncs', 'qirven', 'mathloadfuncs'
call mathloadfuncs 'banner'          /* any argument shows the banner */
say

/* 1. Pi, cut to a few lengths. */
say 'Pi to a few precisions'
do p = 0 to 16 by 4
  say '  rxcalcpi('right(p, 2)') =' rxcalcpi(p)
end
say

/* 2. A table of sines: the same angle in degrees, grads and radians. */
say 'Sines of a quarter turn, in three units'
say '  ' left('unit', 8) right('angle', 20) right('sine', 8)
say '  ' left('degrees', 8) right(90, 20) right(rxcalcsin(90), 8)
say '  ' left('grads', 8) right(100, 20) right(rxcalcsin(100, , 'G'), 8)
halfpi = rxcalcpi() / 2
say '  ' left('radians', 8) right(halfpi, 20) right(rxcalcsin(halfpi, , 'R'), 8)
say
say 'Sine, cosine, tangent and cotangent every 15 degrees, 6 digits'
say '  ' right('deg', 4) right('sin', 12) right('cos', 12) right('tan', 12) right('cotan', 12)
do a = 15 to 75 by 15
  say '  ' right(a, 4) right(rxcalcsin(a, 6), 12) right(rxcalccos(a, 6), 12),
           right(rxcalctan(a, 6), 12) right(rxcalccotan(a, 6), 12)
end
say

/* 3. Solving a right triangle from its two legs. */
a = 3; b = 4
c = rxcalcsqrt(a * a + b * b)
say 'A right triangle with legs' a 'and' b
say '  hypotenuse' c
say '  angles' rxcalcarctan(a / b, 6) 'and' rxcalcarctan(b / a, 6) 'degrees'
say '  the same angle from its sine and cosine:' rxcalcarcsin(a / c, 6) rxcalcarccos(b / c, 6)
say '  in radians' rxcalcarctan(a / b, 8, 'R') 'and grads' rxcalcarctan(a / b, 8, 'G')
say

/* 4. Great-circle distance between two cities (haversine formula). */
say 'Great-circle distances (km)'
call distance 'Paris', 48.8566, 2.3522, 'New York', 40.7128, -74.0060
call distance 'Sydney', -33.8688, 151.2093, 'Tokyo', 35.6762, 139.6503
say

/* 5. Compound interest and growth. */
principal = 1000; rate = 0.05
say 'Compound interest on' principal 'at' rate * 100'% a year'
do years = 5 to 20 by 5
  say '  after' right(years, 2) 'years:' format(principal * rxcalcpower(1 + rate, years), , 2)
end
say '  with continuous interest for 20 years:' format(principal * rxcalcexp(rate * 20), , 2)
say '  years to double:' format(rxcalclog(2) / rxcalclog(1 + rate), , 2)
say

/* 6. Logarithms and the hyperbolic functions. */
say 'Decibels of a power ratio of 2000:' format(10 * rxcalclog10(2000), , 3)
span = 100                           /* a hanging cable, the catenary */
say 'A catenary with parameter 50 over a span of' span 'm: sag',
    format(50 * (rxcalccosh(span / 2 / 50) - 1), , 3) 'm'
say 'sinh, cosh and tanh of 1:' rxcalcsinh(1, 8) rxcalccosh(1, 8) rxcalctanh(1, 8)
say

/* 7. A bad call is REXX error 40, which a program can trap. */
signal on syntax name badcall
say 'rxcalcsin(30, , ''turns'') gives' rxcalcsin(30, , 'turns')
badcall:
say 'rxcalcsin(30, , ''turns'') raised error' rc':' errortext(rc)

call mathdropfuncs
say 'The package is dropped again.'
exit 0

/* Prints the great-circle distance between two points given in degrees. */
distance: procedure
  parse arg from, lat1, lon1, to, lat2, lon2
  radius = 6371
  h = rxcalcsin((lat2 - lat1) / 2) ** 2 +,
      rxcalccos(lat1) * rxcalccos(lat2) * rxcalcsin((lon2 - lon1) / 2) ** 2
  km = 2 * radius * rxcalcarcsin(rxcalcsqrt(h), , 'R')
  say '  ' left(from '-' to, 20) format(km, , 0)
  return
