// The four result windows of the chain: statistics, tests, parameters, report.
#pragma once
