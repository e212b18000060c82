; demo
Procedure.i Add(a.i, b.i)
  ProcedureReturn a + b
EndProcedure
Macro Twice(x) : (x) * 2 : EndMacro
Module Shapes
  Procedure Draw()
  EndProcedure
EndModule
