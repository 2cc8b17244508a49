// Every Qt widget header includes this one. This folder stands first on the include
// path of quorl_core only, so a widget header reached from a core file fails here.
#error "quorl_core must not include Qt widget headers; put widget code in quorl_ui"
