// Every property of the control, once, in the order of its interface. Each user of the
// list (the control's declarations and its property table, the Qt widget) defines a macro
// X and expands VELTRA_PROPERTIES(X) to take from each entry what it needs, as LLVM's
// .def files do; a new property is one line here.
//
//   X(Name, Type, MemberId, Holder, ChangeKey, BagKey, RestoreStep, Default, Description, Saved)
//
// Type         bool, Integer, Colour, String or FontRef.
// Holder       Stored: an option switch kept in the member Name_; its Get returns the member
//                      and its Let stores the value and notifies ChangeKey, nothing else.
//              Member: kept in the member Name_, with a Get and a Let of the control's own.
//              Child: held by a child control, with the control's own Get and Let; Saved
//                     says where the saved form reads and restores it.
//              Transient: held by a child control, the control's own Get and Let, not saved.
//              Bag: kept in the member Name_ and saved, without a property.
// ChangeKey    the key the Let notifies the host with.
// BagKey       the key in the saved form; u"" when it is not saved.
// RestoreStep  its place in the restore order (1 first); 0 when it is not saved.
// Default      its value in a saved form without it (a font's is the host's ambient font).
// Description  what a property browser shows for it, as registered with the interface.
// Saved        for a Child: (child, getter, setter), what the saved form keeps and how it is
//              restored, straight into the child control; () for the others.
#pragma once

// clang-format off
#define VELTRA_PROPERTIES(X) \
    X(ForeColor, Colour, 0x68030017, Child, u"ForeColor", u"ForeColor", 7, \
      static_cast<Long>(CorDoTextoDaJanela), "Seleciona a cor do texto.", \
      (dbComb, ForeColor, ForeColor)) \
    X(Enabled, bool, 0x68030016, Child, u"Enabled", u"Enabled", 8, true, \
      "Informa se o objeto estará habilitado (true).", (dbComb, Enabled, Enabled)) \
    X(Font, FontRef, -512, Child, u"Font", u"Font", 9, Variant(), \
      "Seleciona a fonte a ser usada no texto.", (dbComb, Font, Font)) \
    X(Locked, bool, 0x68030015, Child, u"Locked", u"Locked", 10, false, \
      "Determina se a caixa de texto aceita ser digitada.", (dbComb, Locked, Locked)) \
    X(Text, String, 0x68030014, Child, u"Text", u"Text", 11, u"", \
      "Texto que aparece inicialmente na caixa de texto.", (dbComb, SavedText, Text)) \
    X(sAutoEnterTab, bool, 0x68030013, Stored, u"sAutoEnterTab", u"sAutoEnterTab", 1, false, \
      "True = Dar TAB quando acionado o ENTER.", ()) \
    X(sAutoEnterClick, bool, 0x68030012, Stored, u"sAutoEnterClick", u"sAutoEnterClick", 2, false, \
      "True = Ao acionar o ENTER se tem o mesmo resultado de clicar com o mouse.", ()) \
    X(sTirarAcento, bool, 0x68030011, Stored, u"sTirarAcento", u"sTirarAcento", 3, false, \
      "True = Tira aspa, apóstrofes e troca acentos por letras similares quando digitados.", ()) \
    X(sSempreMaiusculas, bool, 0x68030010, Member, u"sSempreMaiusculas", u"sSempreMaiusculas", 4, \
      false, "True = Mantém sempre o texto digitado em maiúsculas.", ()) \
    X(FontAuto, bool, 0x6803000F, Stored, u"FontAuto", u"", 0, false, \
      "True = O tamanho da fonte é ajustado automaticamente ao tamanho da caixa de texto.", ()) \
    X(sApenasLetras, bool, 0x6803000E, Stored, u"sApenasLetras", u"sApenasLetras", 5, false, \
      "True = Aceita digitar somente letras, ponto, barra e hífen.", ()) \
    X(sLetraCapital, bool, 0x6803000D, Member, u"sLetraCapital", u"sLetraCapital", 6, false, "", ()) \
    X(x4_BoundColumn, String, 0x6803000C, Child, u"BoundColumn", u"BoundColumn", 12, u"", \
      "Returns/sets the name of the source field in a Recordset object used to supply a data " \
      "value to another control.", (dbComb, BoundColumn, BoundColumn)) \
    X(Connect, String, 0x6803000B, Child, u"Connect", u"Connect", 13, u"Access", \
      "Indicates the source of an open database, a database used in a pass-through query, or " \
      "an attached table.", (Data1, SavedConnect, Connect)) \
    X(x1_DatabaseName, String, 0x6803000A, Child, u"DatabaseName", u"DatabaseName", 14, u"", \
      "Returns/sets the name and location of the source of data for a Data control.", \
      (Data1, SavedDatabaseName, DatabaseName)) \
    X(x3_ListField, String, 0x68030009, Child, u"ListField", u"ListField", 15, u"", \
      "Returns/sets the name of the field in the Recordset object used to fill a control's list " \
      "portion.", (dbComb, ListField, ListField)) \
    X(sMaxLength, Integer, 0x68030008, Stored, u"sMaxLength", u"sMaxLength", 16, Integer{0}, \
      "Tamanho máximo permitido de caracteres digitados.", ()) \
    X(DataFields, String, 0, Bag, u"", u"DataFields", 17, u"", "", ()) \
    X(x2_NomeTabela, String, 0x68030007, Member, u"NomeTabela", u"NomeTabela", 18, u"", \
      "Informe o nome da tabela do banco de dados.", ()) \
    X(sListaSoResultado, bool, 0x68030006, Stored, u"sListaSoResultado", u"", 0, false, \
      "Exibir na lista só o nome recém-encontrado.", ()) \
    X(BoundText, String, 0x68030005, Transient, u"BoundText", u"", 0, u"", \
      "Returns/sets the name of the source field in a Recordset object used to supply a value " \
      "to another Recordset or the name of the field used to fill a control.", ()) \
    X(ToolTipText2, String, 0x68030004, Member, u"ToolTipText2", u"ToolTipText2", 19, u"", \
      "Texto exibido quando o mouse parar sobre o controle.", ()) \
    X(sNuncaVazio, bool, 0x68030003, Stored, u"sNuncaVazio", u"sNuncaVazio", 20, false, \
      "True = Sempre será exibido o primeiro resultado da pesquisa.", ()) \
    X(yValorAuxiliar, String, 0x68030002, Member, u"yValorAuxiliar", u"yValorAuxiliar", 21, u"", \
      "Valor que deverá coincidir com yCampoAuxiliar no banco de dados.", ()) \
    X(yCampoAuxiliar, String, 0x68030001, Stored, u"yCampoAuxiliar", u"yCampoAuxiliar", 22, u"", \
      "Caso preencha este campo, todas as pesquisas terão que coincidir os valores deste campo " \
      "no banco de dados conforme informado em yValorAuxiliar.", ()) \
    X(yTabelaAuxiliar, String, 0x68030000, Member, u"yTabelaAuxiliar", u"yTabelaAuxiliar", 23, \
      u"", "Nome da tabela onde se encontra o campo informado em yCampoAuxiliar.", ()) \
    X(x5_OutrasColunas, String, 0x68030100, Child, u"OutrasColunas", u"OutrasColunas", 24, u"", \
      "Colunas da tabela mostradas na lista depois do nome, separadas por ponto e vírgula " \
      "(UF; Regiao).", (dbComb, ExtraColumns, ExtraColumns))
// clang-format on

// What each holder gives an expansion: properties with accessors, values kept in members.
#define VELTRA_IF_ACCESSORS_Stored(...) __VA_ARGS__
#define VELTRA_IF_ACCESSORS_Member(...) __VA_ARGS__
#define VELTRA_IF_ACCESSORS_Child(...) __VA_ARGS__
#define VELTRA_IF_ACCESSORS_Transient(...) __VA_ARGS__
#define VELTRA_IF_ACCESSORS_Bag(...)
#define VELTRA_IF_MEMBER_Stored(...) __VA_ARGS__
#define VELTRA_IF_MEMBER_Member(...) __VA_ARGS__
#define VELTRA_IF_MEMBER_Child(...)
#define VELTRA_IF_MEMBER_Transient(...)
#define VELTRA_IF_MEMBER_Bag(...) __VA_ARGS__
#define VELTRA_IF_GENERATED_Stored(...) __VA_ARGS__
#define VELTRA_IF_GENERATED_Member(...)
#define VELTRA_IF_GENERATED_Child(...)
#define VELTRA_IF_GENERATED_Transient(...)
#define VELTRA_IF_GENERATED_Bag(...)
