// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/datawarnings.h"

namespace zarn {

std::string DataFileWarningText(const DataFileWarning& w, const std::string& hint) {
    switch (w.Type) {
        case DataFileWarning::NulBytes:
            return "O arquivo de dados contém bytes nulos: parece texto UTF-16 (\"Texto Unicode\"), cujos "
                   "algarismos o leitor separa uns dos outros. " + hint;
        case DataFileWarning::YearValueTable:
            return "O arquivo de dados parece uma tabela \"ano valor\": as linhas começam pelos anos " +
                   std::to_string(w.FirstYear) + " a " + std::to_string(w.LastYear) +
                   ", e só o primeiro número de cada linha é lido, de modo que a análise foi feita com os "
                   "anos. " + hint;
        case DataFileWarning::MagnitudeSpan: break;
    }
    return "Os valores do arquivo de dados vão de " + w.Low + " a " + w.High +
           ", mais de quatro ordens de grandeza: confira as unidades e os separadores (\"1.234\" é "
           "lido como 1,234 e não como mil duzentos e trinta e quatro). " + hint;
}

}  // namespace zarn
