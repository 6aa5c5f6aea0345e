"""Figures of paired runs. The commands of one comparison take turns, so the two runs of one
round follow each other: a ratio or difference taken within each round, and then its median over
the rounds, leaves out most of what other work on the machine does to both."""

import math
import statistics


def median(values):
    return statistics.median(values)


def paired_ratio(a, b):
    """The median over the rounds of a's run divided by b's."""
    return median(x / y for x, y in zip(a, b))


def paired_interval(a, b):
    """A 95% confidence interval of paired_ratio, free of any assumed distribution: the order
    statistics of the rounds' ratios that the binomial distribution puts there."""
    ratios = sorted(x / y for x, y in zip(a, b))
    k = max(0, math.floor(len(ratios) / 2 - 0.98 * math.sqrt(len(ratios))))
    return ratios[k], ratios[-1 - k]


def paired_difference(a, b):
    """The median over the rounds of a's run minus b's."""
    return median(x - y for x, y in zip(a, b))
