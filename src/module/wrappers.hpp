// The generic entry points. A member is described once (its core operation,
// its receiver access and its parameter converters) and these templates make
// the C function the interpreter calls. Every entry point runs the same
// sequence: match arguments, check and borrow the receiver, convert the
// arguments in order, call the operation, convert the result, release.
#pragma once

#include <array>
#include <tuple>
#include <type_traits>
#include <utility>

#include "module/arguments.hpp"
#include "module/classes.hpp"
#include "module/convert.hpp"
#include "module/errors.hpp"

namespace plindervox::module {

// The receiver must be an instance of the member's class (or a subclass).
template <class Record>
[[gnu::always_inline]] inline Instance<Record>& receiver(PyObject* self) {
    PyTypeObject* type = type_of<Record>();
    if (!PyObject_TypeCheck(self, type)) type_mismatch(self, class_name(type));
    return made_instance<Record>(self);
}

// Converts one argument; a missing optional argument or None takes the default.
template <class Converter>
[[gnu::always_inline]] inline typename Converter::Native convert_argument(PyObject* object, const char* name) {
    if constexpr (OptionalConverter<Converter>) {
        if (object == nullptr || object == Py_None) return Converter::absent();
    }
    try {
        return Converter::from_python(object);
    } catch (const PythonError&) {
        name_argument_error(name);
        throw;
    }
}

// Converts every argument, left to right (braced initialisation fixes the order).
template <class... Converters, std::size_t... I>
[[gnu::always_inline]] inline std::tuple<typename Converters::Native...> convert_arguments(const FunctionDescription& description,
                                                             PyObject* const* slots, std::index_sequence<I...>) {
    return std::tuple<typename Converters::Native...>{
        convert_argument<Converters>(slots[I], description.parameters[I])...};
}

// Calls the operation and converts what it returns; nothing becomes None,
// and an operation that already made its Python result hands it on.
template <auto operation, class... Args>
PyObject* call_to_python(Args&&... args) {
    using Result = decltype(operation(std::forward<Args>(args)...));
    if constexpr (std::is_void_v<Result>) {
        operation(std::forward<Args>(args)...);
        return new_ref(Py_None);
    } else if constexpr (std::is_same_v<Result, PyObject*>) {
        return operation(std::forward<Args>(args)...);
    } else {
        return to_python(operation(std::forward<Args>(args)...));
    }
}

// A method taking only the receiver (the interpreter rejects any argument).
template <class Record, Access access, auto operation>
PyObject* method_without_arguments(PyObject* self, PyObject*) {
    return contain([&] {
        auto& instance = receiver<Record>(self);
        [[maybe_unused]] auto held = borrow(instance, access);
        return call_to_python<operation>(instance.record);
    });
}

// A vector-call method with named parameters.
template <const FunctionDescription& description, class Record, Access access, auto operation, class... Converters>
PyObject* method_with_arguments(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return contain([&] {
        std::array<PyObject*, sizeof...(Converters)> slots{};
        match_arguments(description, args, nargs, kwnames, slots.data());
        auto& instance = receiver<Record>(self);
        [[maybe_unused]] auto held = borrow(instance, access);
        auto arguments =
            convert_arguments<Converters...>(description, slots.data(), std::index_sequence_for<Converters...>{});
        return std::apply([&](auto&... values) { return call_to_python<operation>(instance.record, values...); },
                          arguments);
    });
}

// A vector-call class method with named parameters: no receiver to borrow,
// the class it is called on is the module's own (none can be subclassed).
template <const FunctionDescription& description, auto operation, class... Converters>
PyObject* class_method(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return contain([&] {
        std::array<PyObject*, sizeof...(Converters)> slots{};
        match_arguments(description, args, nargs, kwnames, slots.data());
        auto arguments =
            convert_arguments<Converters...>(description, slots.data(), std::index_sequence_for<Converters...>{});
        return std::apply([&](auto&... values) { return call_to_python<operation>(values...); }, arguments);
    });
}

// The class a constructor is asked to instantiate must be the member's class
// (or a subclass): its instances are allocated at that class's size. PyPy's
// __new__ wrapper passes on whatever Class.__new__(x) was given; the messages
// are the ones CPython gives before its slot is reached.
template <class Record>
void check_new_type(PyTypeObject* subtype) {
    PyTypeObject* type = type_of<Record>();
    PyObject* object = reinterpret_cast<PyObject*>(subtype);
    if (object != nullptr && PyType_Check(object) && PyType_IsSubtype(subtype, type)) return;
    const std::string name = qualified_name(type);
    if (object == nullptr) {
        PyErr_Format(PyExc_TypeError, "%s.__new__(): not enough arguments", name.c_str());
    } else if (!PyType_Check(object)) {
        PyErr_Format(PyExc_TypeError, "%s.__new__(X): X is not a type object (%s)", name.c_str(),
                     Py_TYPE(object)->tp_name);
    } else {
        const std::string other = qualified_name(subtype);
        PyErr_Format(PyExc_TypeError, "%s.__new__(%s): %s is not a subtype of %s", name.c_str(), other.c_str(),
                     other.c_str(), name.c_str());
    }
    throw_python_error();
}

// The constructor: `make` turns the converted arguments into the record.
// The interpreter reaches it three ways, all sharing one matching and one
// conversion: the new-object slot with an argument tuple (every call on
// CPython that does not use the vector protocol, and Class.__new__(Class,
// ...) there), the class's vector call on CPython, and on PyPy a vector-call
// __new__ that takes the place of the slot's tuple-building wrapper.
template <const FunctionDescription& description, class Record, auto make, class... Converters>
struct Constructor {
    static PyObject* from_slots(PyTypeObject* subtype, PyObject** slots) {
        auto arguments =
            convert_arguments<Converters...>(description, slots, std::index_sequence_for<Converters...>{});
        return checked(wrap_record(subtype, std::apply(make, std::move(arguments))));
    }

    // The new-object slot.
    static PyObject* with_tuple(PyTypeObject* subtype, PyObject* args, PyObject* kwargs) {
        return contain([&]() -> PyObject* {
            check_new_type<Record>(subtype);
            std::array<PyObject*, sizeof...(Converters)> slots{};
            match_tuple_and_dict(description, args, kwargs, slots.data());
            return from_slots(subtype, slots.data());
        });
    }

    // Calling the class itself (CPython's vector call of a type).
    static PyObject* with_vector(PyObject* type, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
        return contain([&]() -> PyObject* {
            auto* subtype = reinterpret_cast<PyTypeObject*>(type);
            check_new_type<Record>(subtype);
            std::array<PyObject*, sizeof...(Converters)> slots{};
            match_arguments(description, args, static_cast<Py_ssize_t>(PyVectorcall_NARGS(nargsf)), kwnames,
                            slots.data());
            return from_slots(subtype, slots.data());
        });
    }

    // __new__(cls, ...) as a vector-call function: the class comes first.
    static PyObject* new_method(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
        return contain([&]() -> PyObject* {
            const Py_ssize_t positional = PyVectorcall_NARGS(nargs);
            auto* subtype = positional > 0 ? reinterpret_cast<PyTypeObject*>(args[0]) : nullptr;
            check_new_type<Record>(subtype);
            std::array<PyObject*, sizeof...(Converters)> slots{};
            match_arguments(description, args + 1, positional - 1, kwnames, slots.data());
            return from_slots(subtype, slots.data());
        });
    }
};

// __str__ and __repr__. PyPy's slot wrappers do not check the receiver of an
// unbound call such as Board.__str__(5), so it is checked here.
template <class Record, auto operation>
PyObject* text_slot(PyObject* self) {
    return contain([&] {
        auto& instance = receiver<Record>(self);
        [[maybe_unused]] auto held = borrow(instance, Access::Shared);
        return call_to_python<operation>(instance.record);
    });
}

// A property's receiver. The interpreter's descriptor has checked the
// object's class, but PyPy lets that class be reassigned
// (object.__setattr__(move, "__class__", Board) passes its layout check)
// while the object's memory stays what it was, so there the native type is
// checked too. CPython refuses such an assignment.
template <class Record>
[[gnu::always_inline]] inline Instance<Record>& property_receiver(PyObject* self) {
#ifdef PYPY_VERSION
    return receiver<Record>(self);
#else
    return made_instance<Record>(self);
#endif
}

// A property getter.
template <class Record, auto read>
PyObject* property_getter(PyObject* self, void*) {
    return contain([&] {
        auto& instance = property_receiver<Record>(self);
        [[maybe_unused]] auto held = borrow(instance, Access::Shared);
        return read(instance.record);
    });
}

// A property setter: the value is converted before the receiver is borrowed.
template <class Record, class Converter, auto write, const char* name>
int property_setter(PyObject* self, PyObject* value, void*) {
    return contain([&] {
        if (value == nullptr) {
            PyErr_SetString(PyExc_AttributeError, "can't delete attribute");
            throw_python_error();
        }
        auto native = convert_argument<Converter>(value, name);
        auto& instance = receiver<Record>(self);
        [[maybe_unused]] auto held = borrow(instance, Access::Exclusive);
        write(instance.record, native);
        return 0;
    });
}

}  // namespace plindervox::module
