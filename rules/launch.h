// Starting the external rule engine.
#pragma once
