// The framework layer in one include.
#pragma once

#include "afxstr.h"
#include "afxfile.h"
#include "afxwin.h"
