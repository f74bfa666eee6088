/* Load, reload, refuse a bad drop, drop, and load again, through the
   interpreter's own registry. Exits 1 on the first failure. */
options noext_commands_as_funcs
names = 'rxcalcpi rxcalcpower mathdropfuncs mathloadfuncs rxcalccos rxcalccotan',
        'rxcalcsin rxcalctan rxcalcarccos rxcalcarcsin rxcalcarctan rxcalccosh',
        'rxcalcexp rxcalclog rxcalclog10 rxcalcsinh rxcalcsqrt rxcalctanh'
call check RxFuncAdd('mathloadfuncs', 'qirven', 'mathloadfuncs'), 0, 'RxFuncAdd'
call check mathloadfuncs(), '0', 'first load'
call check registered(), words(names), 'names registered after loading'
call check mathloadfuncs(), '0', 'second load'
call check rxcalcsqrt(16), 4, 'a call after loading twice'
call check trap('mathdropfuncs(1)'), 'error 40', 'dropping with an argument'
call check registered(), words(names), 'names registered after a refused drop'
call check mathdropfuncs(), '0', 'drop'
call check registered(), 0, 'names registered after dropping'
call check trap('rxcalcsqrt(4)'), 'error 43', 'calling a dropped function'
call check RxFuncAdd('mathloadfuncs', 'qirven', 'mathloadfuncs'), 0, 'RxFuncAdd again'
call check mathloadfuncs(), '0', 'load after a drop'
call check rxcalcpower(2, 10), 1024, 'a call after loading again'
say 'lifecycle: all checks passed'
exit 0

registered: procedure expose names
  count = 0
  do i = 1 to words(names)
    count = count + (RxFuncQuery(word(names, i)) = 0)
  end
  return count

trap: procedure
  signal on syntax name raised
  interpret 'value =' arg(1)
  return value
raised:
  return 'error' rc

check: procedure
  parse arg got, expected, what
  if got \== expected then do
    say 'FAIL:' what': got ['got'], expected ['expected']'
    exit 1
  end
  return
