Procedure Join(a.s,
         *b.Point,
  List c.Mod::Type(),
  Array d.D(2, 3))
EndProcedure
Procedure F(a.l, ; first
  b.l)
EndProcedure
procedurec cb(x.l = 2*3.5, s.s = "a;b,") ; done
EndProcedure
Procedure Last(x,