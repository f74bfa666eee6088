/* Loads the package and returns a few thousand results as one text; the
   threaded host runs this in many threads at once and compares the texts. */
call RxFuncAdd 'mathloadfuncs', 'qirven', 'mathloadfuncs'
call mathloadfuncs
if rxcalcsqrt(2) \== '1.414213562373095' | rxcalcsin(30, 15) \== '0.5' then
  return 'wrong results'
out = ''
do i = 1 to 400
  out = out rxcalcsqrt(i) rxcalcexp(i / 50) rxcalclog(i) rxcalclog10(i, 9) rxcalcsinh(i / 100),
            rxcalccosh(i / 100) rxcalctanh(i / 100) rxcalcsin(i) rxcalccos(i, 10, 'G'),
            rxcalctan(i / 100, , 'R') rxcalccotan(i) rxcalcarcsin(i / 400) rxcalcarccos(i / 400, 12, 'g'),
            rxcalcarctan(i, , 'r') rxcalcpower(1.01, i) rxcalcpi(i // 18)
end
return out
