#include "install/RunHost.h"

IRunHost* RunHost()
{
    return dynamic_cast<IRunHost*>(AfxGetApp());
}
