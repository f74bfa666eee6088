/* Calls every function of the package with edge cases, bad calls,
   precisions and units, one call a line:  expression => result
     regina everycall.rexx             prints the lines
     regina everycall.rexx REFERENCE   compares them with REFERENCE's lines,
                                       made the same way on another platform
   A compared line is the same, or within one unit in the last place of the
   math routine's double and of the printed digits (two math libraries
   rounding one result differently), or different. Exits 1 if any line is
   different. */
options noext_commands_as_funcs
parse arg reference
call RxFuncAdd 'mathloadfuncs', 'qirven', 'mathloadfuncs'
call mathloadfuncs
values = "0 '-0' 1 -1 0.5 -0.5 2 3 10 30 45 60 89.99 90 100 135 180 270 360 720 1e-5 1e-300 4.9e-324",
         "1e22 1e300 1.7976931348623157e308 700 710 -710 0.1 3.14159 123.456 -45.5 1e15 0.999999",
         "'abc' '' '  12abc' '0x10' '0x1p-3' 'inf' '-inf' 'nan' 'INFINITY' '1e400' '-1e-400' '7,5'"
do i = 1 to 60
  values = values (i * 7.37 - 200) (i / 61)
end
n = 0
do w = 1 to words(values)
  v = word(values, w)
  do f = 1 to 7
    fn = word('rxcalcsqrt rxcalcexp rxcalclog rxcalclog10 rxcalcsinh rxcalccosh rxcalctanh', f)
    call add fn'('v')'
    call add fn'('v', 8)'
  end
  do f = 1 to 4
    fn = word('rxcalcsin rxcalccos rxcalctan rxcalccotan', f)
    call add fn'('v')'
    call add fn'('v', 12, "G")'
    call add fn'('v', , "R")'
  end
  do f = 1 to 3
    fn = word('rxcalcarcsin rxcalcarccos rxcalcarctan', f)
    call add fn'('v')'
    call add fn'('v', 5, "g")'
    call add fn'('v', , "radians")'
  end
  call add 'rxcalcpower('v', 'word(values, words(values) + 1 - w)')'
  call add 'rxcalcpower(2, 'v', 6)'
end
do p = -3 to 20
  call add 'rxcalcsqrt(2, 'p')'
  call add 'rxcalcpi('p')'
end
bad = "rxcalcsqrt() rxcalcsqrt(1,2,3) rxcalcsin(1,2,3,4) rxcalcsin(1,,'X') rxcalcsin(1,,' D')",
      "rxcalcarctan(1,,'') rxcalcpower(1) rxcalcpower(1,2,3,4) rxcalcpi(1,2) mathdropfuncs(1)",
      "rxcalcsqrt(2,'abc') rxcalcsqrt(2,'') rxcalcsqrt(2,7.9) rxcalcexp(,3) rxcalcpi()"
do w = 1 to words(bad)
  call add word(bad, w)
end

if reference = '' then do
  do i = 1 to n; say line.i; end
  exit 0
end
same = 0; close = 0; different = 0
do i = 1 to n
  theirs = strip(linein(reference), 'T', '0d'x)
  if theirs == line.i then do; same = same + 1; iterate; end
  parse var theirs . '=>' b
  parse var line.i . '=>' a
  /* An arc function's result in degrees or grads is the routine's times a
     factor near 57 or 64: one unit of the routine's is two of the result. */
  units = 1 + (left(line.i, 9) == 'rxcalcarc' & pos('"r', line.i) = 0)
  if withinulp(strip(a), strip(b), units) then do
    close = close + 1
    say 'within one unit in the last place:' line.i '| there:' strip(b)
  end
  else do
    different = different + 1
    say 'DIFFERENT:' line.i '| there:' strip(b)
  end
end
if lines(reference) > 0 then do; different = different + 1; say 'DIFFERENT: the reference has more lines'; end
say n 'calls:' same 'the same,' close 'within one unit in the last place,' different 'different'
exit different > 0

add:
  n = n + 1
  line.n = arg(1) '=>' evaluate(arg(1))
  return

/* The value of a REXX expression, or "error N" when it raises error N. */
evaluate: procedure
  signal on syntax name raised
  interpret 'value =' arg(1)
  return value
raised:
  return 'error' rc

/* Whether two results differ by no more than `units` units in the last
   place of a double plus one in the last printed digit. */
withinulp: procedure
  parse arg a, b, units
  numeric digits 40
  if \datatype(a, 'N') | \datatype(b, 'N') then return 0
  if a = 0 | b = 0 then return 0
  x = abs(a)
  ulp = 1
  do while ulp * 2 <= x; ulp = ulp * 2; end
  do while ulp > x; ulp = ulp / 2; end
  ulp = units * ulp / 2**52
  return abs(a - b) <= ulp + max(digitunit(a), digitunit(b))

digitunit: procedure  /* one in the last printed digit of a number's text */
  parse upper arg text
  parse var text mantissa 'E' exponent
  if exponent = '' then exponent = 0
  mantissa = strip(translate(mantissa, ' ', '-'))
  parse var mantissa whole '.' fraction
  return 10 ** (exponent - length(fraction))
