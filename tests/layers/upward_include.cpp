// Must not compile: a file of the engine's layer reaching up into the
// application's. The test that builds it expects the compiler to say that the
// header cannot be found.
#include "app/session.h"
