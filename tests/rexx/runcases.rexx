/* Runs a file of cases through the interpreter with the package loaded.
   Each case is one line:   expression => expected
   where expected is the exact result text, '' for the empty string, or
   "error N" for REXX error N. Blank lines and lines starting with -- are
   skipped. Exits 1 if any case fails. */
options noext_commands_as_funcs
parse arg file
if RxFuncAdd('mathloadfuncs', 'qirven', 'mathloadfuncs') \= 0 then do
  say 'FAIL: the package could not be made known'
  exit 1
end
if mathloadfuncs() \== '0' then do
  say 'FAIL: mathloadfuncs did not answer 0'
  exit 1
end
cases = 0
failed = 0
do while lines(file) > 0
  line = linein(file)
  if strip(line) = '' | left(strip(line), 2) = '--' then iterate
  parse var line expression '=>' expected
  expected = strip(expected)
  if expected == "''" then expected = ''
  got = evaluate(strip(expression))
  cases = cases + 1
  if got \== expected then do
    failed = failed + 1
    say 'FAIL:' strip(expression) 'gave ['got'], expected ['expected']'
  end
end
say file':' cases 'cases,' failed 'failed'
exit failed > 0

/* The value of a REXX expression, or "error N" when it raises error N. */
evaluate: procedure
  signal on syntax name raised
  interpret 'value =' arg(1)
  return value
raised:
  return 'error' rc
