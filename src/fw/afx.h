// The framework layer in one include.
#pragma once

#include "base/afxstr.h"
#include "afxfile.h"
#include "afxwin.h"
