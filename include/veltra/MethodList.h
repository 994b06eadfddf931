// Every method of the control, once, in member-id order. Each user of the list (the
// scenario runner's calls, the component server's interface and its type library) defines a
// macro X and expands VELTRA_METHODS(X), as with the property and event lists.
//
//   X(Name, MemberId, Description)
//
// The method's parameters and result are its declaration's in veltra/Veltra.h: no
// parameter, or the one Variant `Texto` (ConverterLetraCapital); no result, or a Boolean, a
// String or a Variant.
#pragma once

// clang-format off
#define VELTRA_METHODS(X) \
    X(ConverterLetraCapital, 0x60030018, "") \
    X(EstarComFoco, 0x60030019, "") \
    X(AbrirJanela, 0x6003001A, "") \
    X(OrdemNumerica, 0x6003001B, "") \
    X(Mostrar, 0x6003001D, "") \
    X(DadosAvançar, 0x6003001E, "") \
    X(DadosRecuar, 0x6003001F, "") \
    X(DadosIrAoPrimeiro, 0x60030020, "") \
    X(DadosIrAoUltimo, 0x60030021, "") \
    X(MostrarTodos, 0x60030022, "") \
    X(Refresh, 0x60030024, "Atualiza o que está sendo exibido na caixa de texto.") \
    X(DarTAB, 0x60030025, "")

// The public member variable, read and written by the host directly.
#define VELTRA_MEMBERS(X) \
    X(SuperPesquisa, bool, 0x4003000A)
// clang-format on
