/* The banner shows only when the loader gets an argument, omitted or not. */
call RxFuncAdd 'mathloadfuncs', 'qirven', 'mathloadfuncs'
say '['mathloadfuncs()']'
say '['mathloadfuncs(, 'x')']'
