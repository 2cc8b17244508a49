// A wave module built against a function that no library provides, as when the installed
// QtMultimedia is not the one the module was built for. Loading it must fail; binding its
// symbols lazily would end the program at the first call instead.
#include "sound/wavoutput.h"

extern "C" WavOutput* quorl_function_nothing_provides();

extern "C" Q_DECL_EXPORT WavOutput* quorl_wavout_create()
{
    return quorl_function_nothing_provides();
}
