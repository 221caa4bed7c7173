// GIEIL: the attribute list (vendor, model, release code) of one interconnect element.
#pragma once

#include "CtRoute.h"
#include "TopologyDecode.h"

// Fills attributes from the list of response bytes 16-271, as far as they
// arrived, when the status is 0; returns the status of IssueGS3Command (-1000
// too when not even the list's leading word arrived).
int getIEWWNAttributes(const GsPort& port, const Wwn& elementWwn, const char* elementWwnText,
                       ElementAttributeTexts& attributes);
