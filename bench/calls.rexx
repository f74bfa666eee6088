/* The REXX benchmarks: calls through the real interpreter.
     regina calls.rexx loop N EXPRESSION
       evaluates EXPRESSION N times (the unit that callgrind.sh counts);
       a function named floor... is registered as the same-shape floor;
     regina calls.rexx length EXPRESSION
       prints the length of the value of EXPRESSION;
     regina calls.rexx time CASESFILE [CALLS [ROUNDS]]
       times loops of every case, interleaved over several rounds, and prints
       the median time per call and its ratio to an empty external function.
   The modules are found through REGINA_ADDON_DIR. */
options noext_commands_as_funcs
parse arg mode rest
call RxFuncAdd 'mathloadfuncs', 'qirven', 'mathloadfuncs'
call mathloadfuncs
call RxFuncAdd 'benchloadfuncs', 'qirvenbench', 'benchloadfuncs'
call benchloadfuncs
if mode = 'length' then do
  interpret 'say length('rest')'
  exit 0
end
if mode = 'loop' then do
  parse var rest n expression
  parse var expression name '('
  if abbrev(name, 'floor') then call benchloadfuncs name
  interpret 'do i = 1 to' n'; x =' expression'; end'
  exit 0
end
parse var rest file calls rounds
if calls = '' then calls = 100000
if rounds = '' then rounds = 7
n = 0
do while lines(file) > 0
  line = strip(linein(file))
  if line \= '' then do; n = n + 1; case.n = line; end
end
do r = 1 to rounds
  do c = 1 to n
    count = calls
    if wordpos(left(case.c, 3), 'rxc emp abs') = 0 then count = calls % 40   /* pure REXX is slow */
    call time 'R'
    interpret 'do i = 1 to' count'; x =' case.c'; end'
    t.c.r = time('E') / count
  end
end
say 'Time per call (median of' rounds 'interleaved rounds of' calls 'calls)'
say left('call', 28) right('microseconds', 13) right('x empty', 9)
do c = 1 to n
  m.c = median(c)
  if c = 1 then empty = m.c
  say left(case.c, 28) right(format(m.c * 1e6, , 3), 13) right(format(m.c / empty, , 2), 9)
  median.c = m.c
end
say
say 'Speed-up of a package call over the same work in REXX at NUMERIC DIGITS 16'
call speedup 'sqrtnewton(2)', 'rxcalcsqrt(2)'
call speedup 'sinseries(30)', 'rxcalcsin(30)'
call speedup 'expseries(1.5)', 'rxcalcexp(1.5)'
exit 0

median: procedure expose t. rounds
  parse arg c
  do i = 1 to rounds; v.i = t.c.i; end
  do i = 1 to rounds; do j = i + 1 to rounds
    if v.j < v.i then parse value v.i v.j with v.j v.i
  end; end
  middle = (rounds + 1) % 2
  return v.middle

speedup: procedure expose case. median. n
  parse arg slow, fast
  do c = 1 to n
    if case.c == slow then s = median.c
    if case.c == fast then f = median.c
  end
  say '  ' left(slow, 16) 'takes' format(s / f, , 1) 'times as long as' fast
  return

/* The same work done in REXX itself, at 16 digits, for comparison. */
sqrtnewton: procedure               /* square root by Newton's method */
  numeric digits 16
  parse arg x
  if x <= 0 then return 0
  r = 1
  do 60
    next = (r + x / r) / 2
    if next = r then leave
    r = next
  end
  return r

sinseries: procedure                /* sine of an angle in degrees by its series */
  numeric digits 16
  parse arg degrees
  x = degrees * 0.01745329251994330
  term = x
  sum = x
  do k = 1 while abs(term) > 1e-17
    term = -term * x * x / ((2 * k) * (2 * k + 1))
    sum = sum + term
  end
  return sum

expseries: procedure                /* e to the power x by its series */
  numeric digits 16
  parse arg x
  term = 1
  sum = 1
  do k = 1 while abs(term) > 1e-17 * sum
    term = term * x / k
    sum = sum + term
  end
  return sum
