/* Runs cases through the interpreter with the package loaded. In a .cases
   file each case is one line:   expression => expected
   where expected is the exact result text, '' for the empty string, or
   "error N" for REXX error N; blank lines and lines starting with -- are
   skipped. In any other file (the documentation) each line of the form
       say expression   /* expected */
   is a case; manual pages are read with their escapes \- and \e undone.
   Not-a-number matches nan or -nan: its sign is the C library's and differs
   between platforms (-nan on amd64, nan on s390x for the square root of -1).
   Exits 1 if any case fails, or if a file holds none. */
options noext_commands_as_funcs
parse arg files
if RxFuncAdd('mathloadfuncs', 'qirven', 'mathloadfuncs') \= 0 then do
  say 'FAIL: the package could not be made known'
  exit 1
end
if mathloadfuncs() \== '0' then do
  say 'FAIL: mathloadfuncs did not answer 0'
  exit 1
end
failed = 0
do f = 1 to words(files)
  file = word(files, f)
  cases = 0
  do while lines(file) > 0
    line = strip(linein(file))
    if right(file, 6) == '.cases' then do
      if line = '' | left(line, 2) = '--' then iterate
      parse var line expression '=>' expected
      expected = strip(expected)
      if expected == "''" then expected = ''
    end
    else do
      if pos('.3', file) > 0 then line = changestr('\e', changestr('\-', line, '-'), '\')
      comment = lastpos('/*', line)
      if left(line, 4) \== 'say ' | right(line, 2) \== '*/' | comment = 0 then iterate
      expression = substr(line, 5, comment - 5)
      expected = strip(substr(line, comment + 2, length(line) - comment - 3))
    end
    got = evaluate(strip(expression))
    cases = cases + 1
    if got \== expected & \(isnan(got) & isnan(expected)) then do
      failed = failed + 1
      say 'FAIL:' file':' strip(expression) 'gave ['got'], expected ['expected']'
    end
  end
  call stream file, 'c', 'close'
  say file':' cases 'cases'
  if cases = 0 then failed = failed + 1
end
say failed 'failed'
exit failed > 0

isnan: return arg(1) == 'nan' | arg(1) == '-nan'

/* The value of a REXX expression, or "error N" when it raises error N. */
evaluate: procedure
  signal on syntax name raised
  interpret 'value =' arg(1)
  return value
raised:
  return 'error' rc
