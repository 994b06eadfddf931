// The control created by its ProgID from Wine's script host, as form scripts create it:
// properties set and read by name, methods called by name ("DadosAvançar" too).
//   cscript script-host.js DATABASE
var v = new ActiveXObject("Veltra.Veltra");
v.x1_DatabaseName = WScript.Arguments(0);
v.x2_NomeTabela = "Cidades";
v.x3_ListField = "Nome";
v.x4_BoundColumn = "Id";
WScript.Echo("ListField=" + v.x3_ListField);
WScript.Echo("NomeTabela=" + v.x2_NomeTabela);
v.sSempreMaiusculas = true;
WScript.Echo("sSempreMaiusculas=" + v.sSempreMaiusculas + " sLetraCapital=" + v.sLetraCapital);
v.sSempreMaiusculas = false;
WScript.Echo("Capital=" + v.ConverterLetraCapital("maria da silva"));
v.MostrarTodos();
v.DadosIrAoPrimeiro();
WScript.Echo("primeiro codigo=" + v.BoundText);
v["DadosAvan\u00e7ar"]();
WScript.Echo("seguinte=" + v.Text);
WScript.Echo("EstarComFoco=" + v.EstarComFoco());
