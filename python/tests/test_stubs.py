"""Parameter names of the stubs against the module. stubtest cannot see them: pybind11 functions
carry their signature only in the first line of their docstring."""

from __future__ import annotations

import ast
import re
from pathlib import Path

import tscore
from tscore import _tscore


def stub_signatures() -> dict:
    tree = ast.parse((Path(_tscore.__file__).parent / "_tscore.pyi").read_text())
    found = {}
    for node in tree.body:
        scopes = [(node.name + ".", item) for item in node.body] if isinstance(node, ast.ClassDef) else [("", node)]
        for prefix, item in scopes:
            if isinstance(item, ast.FunctionDef) and not any(
                isinstance(d, ast.Name) and d.id == "property" for d in item.decorator_list
            ):
                found[prefix + item.name] = [a.arg for a in item.args.args if a.arg != "self"]
    return found


def runtime_parameters(function) -> list:
    first = (function.__doc__ or "").splitlines()[0]
    inside = first[first.index("(") + 1 : first.rindex(") ->")]
    return [name for name in re.findall(r"(?:^|, )(\w+):", inside) if name != "self"]


def test_stub_parameters_match_the_module():
    checked = 0
    for name, parameters in stub_signatures().items():
        owner, _, attribute = name.rpartition(".")
        if owner == "Retargeter" and not hasattr(_tscore, owner):
            continue  # built without libTSCoreRetarget
        function = getattr(getattr(_tscore, owner) if owner else _tscore, attribute)
        if type(function).__name__ not in ("builtin_function_or_method", "instancemethod") or attribute in (
            "__getstate__", "__setstate__", "__eq__", "__hash__"
        ):
            continue  # written in Python (stubtest checks those), or a protocol method
        assert runtime_parameters(function) == parameters, name
        checked += 1
    assert checked > 50 and tscore.Glove.poses.__module__ == "tscore._poses"
