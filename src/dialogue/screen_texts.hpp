// Every text the dialogue writes, in the console's code page (Windows-1252), blanks included.
#pragma once

#include <array>
#include <string_view>

namespace quiquadrado::dialogue {

// The banner box, rows 1 to 13: eleven rows of 83 characters, then two empty rows.
inline constexpr std::array<std::string_view, 13> banner_rows{
    "      *****************************************************************************",
    "      *                                                                           *",
    "      *                          Escola Varzelha de Cartometria                   *",
    "      *                         NUCLEO DE TECNICAS DE LEVANTAMENTO                *",
    "      *              TORVAL - Laboratorio Torval de Redes e de Medicoes Urbanas   *",
    "      *          Mestrado em Ciencias do Territorio - Linha: MEDICOES DO TERRENO  *",
    "      *                                                                           *",
    "      * Versao 23jul 2008               - - QUI QUADRADO  -                       *",
    "      *                                      Prof. Quenal                         *",
    "      *                                                                           *",
    "      *****************************************************************************",
    "",
    "",
};

// Rows 14 to 16, before the first prompt.
inline constexpr std::array<std::string_view, 3> instruction_rows{
    "",
    "      Entre com alfa na forma decimal. Ex.: se alfa for 5%, use 0.05",
    "",
};

inline constexpr std::string_view alpha_prompt = "   Entre com o valor de ALFA  --> ";
inline constexpr std::string_view degrees_prompt = "   Entre com o GRAU DE LIBERDADE  --> ";

// Row 19: lead, degrees of freedom (width 3), middle, alpha/2 (width 4), tail, lower value (width 8).
inline constexpr std::string_view lower_row_lead = "                   Para ";
inline constexpr std::string_view lower_row_middle = " graus de liberdade e alfa/2 = 0";
// Row 20: lead, 1 - alpha/2 (width 4), tail, upper value (width 8).
inline constexpr std::string_view upper_row_lead = "                                             1 - alfa/2 = 0";
inline constexpr std::string_view result_row_tail = " qui quadrado =";

inline constexpr int degrees_field_width = 3;
inline constexpr int probability_field_width = 4;
inline constexpr int critical_value_field_width = 8;

// Rows 21 and 27, around the explanation.
inline constexpr std::string_view separator_row =
    "      ----------------------------------------------------------------------------";

// Rows 22 to 25. \xe7 is c-cedilla, \xf5 o-tilde, \xe9 e-acute (row 25 spells it without accents).
inline constexpr std::array<std::string_view, 4> explanation_rows{
    "      O QUI QUADRADO no Ajustamento de Observa\xe7\xf5"
    "es",
    "       \xe9 usado para testar se o sigma zero a posteriori \xe9 estatisticamente igual",
    "      ao sigma zero a priori",
    "      Mais detalhe na apostila de Ajustamento de Observacoes",
};

// Row 26: where to read more. The institution is fictional, so the address is under a domain
// reserved for examples.
inline constexpr std::string_view course_page_lead = "      ou no endere\xe7o ";
inline constexpr std::string_view course_page = "http://www.cartometria.varzelha.example/ajustamento";

}  // namespace quiquadrado::dialogue
