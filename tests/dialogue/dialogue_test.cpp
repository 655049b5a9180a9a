// Whole runs of the dialogue through the plain back end, in memory: the screen's rows compared
// exactly, with the error report and the exit status.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.hpp"
#include "console/plain_backend.hpp"
#include "dialogue/dialogue.hpp"

namespace quiquadrado {
namespace {

struct Transcript {
  std::vector<std::string> rows;  // the screen, row 1 first
  std::string error_report;       // what went to standard error
  int status = -1;                // exit status
};

Transcript run_typing(std::string_view typed) {
  std::istringstream in{std::string(typed)};
  std::ostringstream out;
  std::ostringstream err;
  console::PlainBackend backend(in, out, err, console::Codeset::cp1252);
  console::Console screen(backend);
  Transcript run;
  run.status = dialogue::run_program(screen);
  run.error_report = err.str();

  const std::string text = out.str();
  EXPECT_TRUE(text.empty() || text.back() == '\n') << "every row ends with a newline";
  std::istringstream rows(text);
  for (std::string row; std::getline(rows, row);) run.rows.push_back(row);
  return run;
}

std::string blanks(std::size_t n) { return std::string(n, ' '); }

const std::string banner_border = blanks(6) + std::string(77, '*');
const std::string banner_empty = blanks(6) + "*" + blanks(75) + "*";

const std::vector<std::string> banner = {
    banner_border,
    banner_empty,
    blanks(6) + "*" + blanks(26) + "Escola Varzelha de Cartometria" + blanks(19) + "*",
    blanks(6) + "*" + blanks(25) + "NUCLEO DE TECNICAS DE LEVANTAMENTO" + blanks(16) + "*",
    blanks(6) + "*" + blanks(14) + "TORVAL - Laboratorio Torval de Redes e de Medicoes Urbanas" + blanks(3) + "*",
    blanks(6) + "*" + blanks(10) + "Mestrado em Ciencias do Territorio - Linha: MEDICOES DO TERRENO" + blanks(2) +
        "*",
    banner_empty,
    blanks(6) + "* Versao 23jul 2008" + blanks(15) + "- - QUI QUADRADO  -" + blanks(23) + "*",
    blanks(6) + "*" + blanks(38) + "Prof. Quenal" + blanks(25) + "*",
    banner_empty,
    banner_border,
    "",
    "",
};

const std::string alpha_prompt = blanks(3) + "Entre com o valor de ALFA  --> ";
const std::string degrees_prompt = blanks(3) + "Entre com o GRAU DE LIBERDADE  --> ";

std::string lower_row(std::string_view degrees, std::string_view half_alpha, std::string_view value) {
  return blanks(19) + "Para " + std::string(degrees) + " graus de liberdade e alfa/2 = 0" + std::string(half_alpha) +
         " qui quadrado =" + std::string(value);
}
std::string upper_row(std::string_view alpha, std::string_view value) {
  return blanks(45) + "1 - alfa/2 = 0" + std::string(alpha) + " qui quadrado =" + std::string(value);
}

const std::vector<std::string> explanation = {
    blanks(6) + std::string(76, '-'),
    blanks(6) + "O QUI QUADRADO no Ajustamento de Observa\xe7\xf5" "es",
    blanks(7) + "\xe9 usado para testar se o sigma zero a posteriori \xe9 estatisticamente igual",
    blanks(6) + "ao sigma zero a priori",
    blanks(6) + "Mais detalhe na apostila de Ajustamento de Observacoes",
    blanks(6) + "ou no endere\xe7o http://www.cartometria.varzelha.example/ajustamento",
    blanks(6) + std::string(76, '-'),
    "Stop - Program terminated.",
};

TEST(Dialogue, TypicalRunShowsTheWholeScreen) {
  const Transcript run = run_typing("0.05\n10\n");
  std::vector<std::string> expected = banner;
  expected.insert(expected.end(), {"", blanks(6) + "Entre com alfa na forma decimal. Ex.: se alfa for 5%, use 0.05", "",
                                   alpha_prompt + "0.05", degrees_prompt + "10",
                                   lower_row(" 10", ".025", "   3.247"), upper_row(".975", "  20.483")});
  expected.insert(expected.end(), explanation.begin(), explanation.end());
  EXPECT_EQ(run.rows, expected);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.error_report, "");

  // Widths of the screen table.
  ASSERT_EQ(run.rows.size(), 28u);
  const std::size_t widths[] = {83, 83, 83, 83, 83, 83, 83, 83, 83, 83, 83, 0,  0,  0,
                                68, 0,  38, 40, 86, 86, 82, 50, 80, 28, 60, 72, 82, 26};
  for (std::size_t row = 0; row < 28; ++row) EXPECT_EQ(run.rows[row].size(), widths[row]) << "row " << row + 1;
}

struct ResultCase {
  const char* typed;     // both lines as typed
  const char* degrees;   // field of row 19
  const char* half;      // probability field of row 19
  const char* lower;     // chi-square field of row 19
  const char* alpha;     // probability field of row 20
  const char* upper;     // chi-square field of row 20
};

const ResultCase result_cases[] = {
    {"0.05\n1\n", "  1", ".025", "    .001", ".975", "   5.024"},
    {"0.05\n2\n", "  2", ".025", "    .051", ".975", "   7.378"},
    {"0.05\n3\n", "  3", ".025", "    .216", ".975", "   9.347"},
    {"0.05\n100\n", "100", ".025", "  74.222", ".975", " 129.561"},
    {"0.05\n0\n", "  0", ".025", "    .001", ".975", "   5.024"},
    {"0.05\n-5\n", " -5", ".025", "    .001", ".975", "   5.024"},
    {"0.05\n999\n", "999", ".025", " 913.301", ".975", "1088.487"},
    {"0.05\n1000\n", "***", ".025", " 914.257", ".975", "1089.531"},
    {"0.05\n10000\n", "***", ".025", "9724.718", ".975", "********"},
    {"0,05\n1\n", "  1", ".000", "    .000", "****", "********"},  // the comma ends the value: alpha = 0
    {"-0.05\n1\n", "  1", "****", "    .001", "****", "********"},
    {"1.5\n1\n", "  1", ".750", "   1.323", ".250", "    .102"},  // not refused
    {"2*0.05\n10\n", " 10", ".025", "   3.247", ".975", "  20.483"},
    {"5D-2\n10\n", " 10", ".025", "   3.247", ".975", "  20.483"},
    {"5-2\n10\n", " 10", ".025", "   3.247", ".975", "  20.483"},
    {"0.05\n16#A\n", " 10", ".025", "   3.247", ".975", "  20.483"},
    {"0.05 10\n10\n", " 10", ".025", "   3.247", ".975", "  20.483"},  // the rest of a line is discarded
    {"0.05\r\n10\r\n", " 10", ".025", "   3.247", ".975", "  20.483"},
};

TEST(Dialogue, ResultRows) {
  for (const ResultCase& c : result_cases) {
    const Transcript run = run_typing(c.typed);
    ASSERT_EQ(run.rows.size(), 28u) << c.typed << run.error_report;
    EXPECT_EQ(run.rows[18], lower_row(c.degrees, c.half, c.lower)) << c.typed;
    EXPECT_EQ(run.rows[19], upper_row(c.alpha, c.upper)) << c.typed;
    EXPECT_EQ(run.status, 0) << c.typed;
  }
}

TEST(Dialogue, EmptyLinesMoveTheRestOfTheScreenDown) {
  const Transcript run = run_typing("\n   \n0.05\n\n10\n");
  ASSERT_EQ(run.rows.size(), 31u);
  EXPECT_EQ(run.rows[16], alpha_prompt);
  EXPECT_EQ(run.rows[17], "   ");
  EXPECT_EQ(run.rows[18], "0.05");
  EXPECT_EQ(run.rows[19], degrees_prompt);
  EXPECT_EQ(run.rows[20], "10");
  EXPECT_EQ(run.rows[21], lower_row(" 10", ".025", "   3.247"));
  EXPECT_EQ(run.rows[30], "Stop - Program terminated.");
}

TEST(Dialogue, NullValuesKeepZero) {
  // A slash ends the read with the variable as it was: 0 degrees of freedom behaves as 1.
  const Transcript run = run_typing("0.05\n/\n");
  ASSERT_EQ(run.rows.size(), 28u);
  EXPECT_EQ(run.rows[18], lower_row("  0", ".025", "    .001"));
}

struct FatalCase {
  const char* typed;
  const char* report;
  std::size_t rows;  // rows written before the report
};

const FatalCase fatal_cases[] = {
    {"0.05\n3.5\n", "run-time error F6101: READ() - invalid character in integer value\n", 18},
    {"5%\n", "run-time error F6103: READ() - invalid character in real value\n", 17},
    {"", "run-time error F6500: READ() - no more input lines\n", 17},
    {"0.05\n", "run-time error F6500: READ() - no more input lines\n", 18},
    {"0.05\n10\x1a\n", "run-time error F6501: READ() - end of file character in input line\n", 18},
    {"0,05\n2\n", "run-time error M6202: LOG: argument zero\n", 18},
    {"0,05\n3\n", "run-time error M6101: invalid floating point operation\n", 18},
    {"5\n10\n", "run-time error M6101: invalid floating point operation\n", 18},
    {"3\n2\n", "run-time error M6201: LOG: argument negative\n", 18},
};

TEST(Dialogue, FatalErrorsEndTheRunWithTheirReport) {
  for (const FatalCase& c : fatal_cases) {
    const Transcript run = run_typing(c.typed);
    EXPECT_EQ(run.error_report, c.report) << c.typed;
    EXPECT_EQ(run.rows.size(), c.rows) << c.typed;
    EXPECT_EQ(run.status, 1) << c.typed;
  }
}

}  // namespace
}  // namespace quiquadrado
