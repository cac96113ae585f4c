#pragma once
// The web-page export moved to export/html_export.h; this name stays until the last includes move over.
#include "export/html_export.h"
