Procedure Ã(â‚
EndProcedure
€ÿ
Module MğŸ˜€
Procedure ô€€X()
EndProcedure
EndModule
â