#include "module/classes.hpp"

namespace plindervox::module {

PyTypeObject* create_type(const char* name, int basic_size, PyType_Slot* slots) {
    PyType_Spec spec = {name, basic_size, 0, Py_TPFLAGS_DEFAULT, slots};
    return reinterpret_cast<PyTypeObject*>(checked(PyType_FromSpec(&spec)));
}

PyObject* new_move_object(const Move& move) { return wrap_record(move_type(), Move(move)); }

}  // namespace plindervox::module
