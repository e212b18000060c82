DeclareModule Net
  Declare Send(*data, size.i)
EndDeclareModule
Module Net
  Procedure.i Send(*data.Packet, size.i)
    ProcedureReturn 0
  EndProcedure
  Macro M(x) : Procedure Hidden() : EndMacro
  ProcedureCDLL.l Cb(List l.Point(), Map m.S())
  EndProcedure
EndModule
Runtime ProcedureDLL Go(a.s = "x:y") : EndProcedure
; note: Procedure NotMe()
EndModule
Module Empty
