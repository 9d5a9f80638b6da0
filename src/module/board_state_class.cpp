// The BoardState class: the snapshot record a board keeps for undo. It has
// no constructor and is never handed to Python code; it exists so that
// Board._restore can check its argument.
#include "module/member_table.hpp"
#include "module/wrappers.hpp"

namespace plindervox::module {
namespace {

PyMethodDef METHODS[] = {PLINDERVOX_CLASS_ROWS, END_OF_METHODS};
PyGetSetDef NO_PROPERTIES[] = {END_OF_PROPERTIES};

PyType_Slot SLOTS[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_instance<BoardState>)},
    {Py_tp_new, reinterpret_cast<void*>(refuse_construction)},
    {Py_tp_methods, METHODS},
    {Py_tp_setattro, reinterpret_cast<void*>(set_property_only<NO_PROPERTIES>)},
    {0, nullptr},
};

}  // namespace

PyTypeObject* board_state_type() {
    static PyTypeObject* type = made_type<BoardState> =
        create_type(PLINDERVOX_CLASS_NAME("BoardState"), sizeof(Instance<BoardState>), SLOTS);
    return type;
}

}  // namespace plindervox::module
