"""Sets two runs of bench/members.py side by side (their --json files):
    python bench/compare.py BEFORE.json AFTER.json
prints a Markdown table of ns per call before and after, the floor for the
member's shape, and the ratios after/floor and after/before."""

import json
import sys


def main():
    before, after = (json.load(open(path))["figures"] for path in sys.argv[1:3])
    print("| member | before, ns | after, ns | floor, ns | after / floor | after / before |")
    print("|---|---:|---:|---:|---:|---:|")
    for label, figures in after.items():
        if "ours" not in figures:
            print(f"| {label} | | | {figures['floor']:.0f} | | |")
            continue
        old = before.get(label, {}).get("ours")
        old_text = f"{old:.0f}" if old else ""
        change = f"{figures['ours'] / old:.2f}" if old else ""
        print(f"| `{label}` | {old_text} | {figures['ours']:.0f} | {figures['floor']:.0f} |"
              f" {figures['ours'] / figures['floor']:.2f} | {change} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
