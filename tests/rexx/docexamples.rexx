/* Runs every example of the documentation: each line of the form
       say EXPRESSION   /* RESULT */
   in the files named must print RESULT ("error N" for REXX error N).
   Manual pages are read with their escapes \- and \e undone.
   Exits 1 if any example fails or none is found. */
options noext_commands_as_funcs
call RxFuncAdd 'mathloadfuncs', 'qirven', 'mathloadfuncs'
call mathloadfuncs
parse arg files
examples = 0
failed = 0
do f = 1 to words(files)
  file = word(files, f)
  manpage = pos('.3', file) > 0
  do while lines(file) > 0
    line = strip(linein(file))
    if manpage then line = changestr('\e', changestr('\-', line, '-'), '\')
    if left(line, 4) \== 'say ' | right(line, 2) \== '*/' then iterate
    comment = lastpos('/*', line)
    if comment = 0 then iterate
    expression = strip(substr(line, 5, comment - 5))
    expected = strip(substr(line, comment + 2, length(line) - comment - 3))
    got = evaluate(expression)
    examples = examples + 1
    if got \== expected then do
      failed = failed + 1
      say 'FAIL:' file': say' expression 'printed ['got'], the text shows ['expected']'
    end
  end
  call stream file, 'c', 'close'
end
say examples 'examples,' failed 'failed'
exit failed > 0 | examples = 0

evaluate: procedure
  signal on syntax name raised
  interpret 'value =' arg(1)
  return value
raised:
  return 'error' rc
