#!/usr/bin/env perl
# Writes random families (nuclear, three generations, half-siblings, a
# first-cousin marriage, lone founders) with two-allele genotypes, consistent
# or not, untyped members and unknown sexes, both as a PLINK fileset
# PREFIX.bed/.bim/.fam and as text pedigrees PREFIX_autosomes.ped/.dat and
# PREFIX_x.ped/.dat (the X markers come last in the .bim).
# Usage: make_random_fileset.pl PREFIX FAMILIES MARKERS X_MARKERS SEED
use strict;
use warnings;

my ($prefix, $families, $markers, $xMarkers, $seed) = @ARGV;
srand($seed);
my @persons;    # [famid, pid, father, mother, sex]
for my $f (1 .. $families) {
   my $shape = int(rand(5));
   my @p;
   my $add = sub { push @p, ["F$f", "P" . (@p + 1), @_]; return "P" . scalar(@p) };
   my $sex = sub { rand() < 0.1 ? 0 : $_[0] };
   my $kids = sub { my ($fa, $mo, $n) = @_; $add->($fa, $mo, $sex->(1 + int(rand(2)))) for 1 .. $n };
   if ($shape == 0) {
      $kids->($add->(0, 0, $sex->(1)), $add->(0, 0, $sex->(2)), 1 + int(rand(6)));
   } elsif ($shape == 1) {
      my $a = $add->($add->(0, 0, 1), $add->(0, 0, $sex->(2)), 1);
      my $b = $add->($add->(0, 0, $sex->(1)), $add->(0, 0, 2), 2);
      $kids->($a, $b, 1 + int(rand(5)));
   } elsif ($shape == 2) {
      my $father = $add->(0, 0, 1);
      $kids->($father, $add->(0, 0, 2), 1 + int(rand(3))) for 1 .. 2;
   } elsif ($shape == 3) {
      my ($g1, $g2) = ($add->(0, 0, 1), $add->(0, 0, 2));
      my ($a, $b) = ($add->($g1, $g2, 1), $add->($g1, $g2, 2));
      my $c = $add->($a, $add->(0, 0, 2), 1);
      my $d = $add->($add->(0, 0, 1), $b, 2);
      $kids->($c, $d, 1 + int(rand(3)));
   } else {
      $add->(0, 0, $sex->(1)) for 1 .. 2;
   }
   push @persons, @p;
}
my %index;
$index{"$_->[0] $_->[1]"} = $_ for @persons;
my @untyped = map { rand() < 0.2 } @persons;
my @labels = (['A', 'G'], ['C', 'T'], ['G', 'A'], ['A', '0']);

open(my $fam, '>', "$prefix.fam") or die;
print $fam join(' ', @$_[0 .. 4], -9), "\n" for @persons;
open(my $bim, '>', "$prefix.bim") or die;
open(my $bed, '>:raw', "$prefix.bed") or die;
print $bed pack('C3', 0x6c, 0x1b, 1);
my (@rows, @alleles);
for my $m (0 .. $markers - 1) {
   my $x = $m >= $markers - $xMarkers;
   my $pair = $labels[rand() < 0.05 ? 3 : int(rand(3))];
   push @alleles, $pair;
   printf $bim "%s rs%d 0 %d %s %s\n", $x ? 'X' : 1 + $m % 22, $m, 1000 + $m, @$pair;
   my ($q, $errors) = (rand(), (0, 0, 0.03, 0.3, 1)[int(rand(5))]);
   my %genotype;    # alleles 0 or 1, first from the father
   for my $p (@persons) {
      my $one = sub { rand() < $q ? 1 : 0 };
      my ($fa, $mo) = map { $_ eq '0' ? undef : $genotype{"$p->[0] $_"} } @$p[2, 3];
      my $fromMother = $mo ? $mo->[int(rand(2))] : $one->();
      my $fromFather = $fa ? $fa->[$x ? 0 : int(rand(2))] : $one->();
      $genotype{"$p->[0] $p->[1]"} =
          $x && $p->[4] == 1 ? [$fromMother, $fromMother] : [$fromFather, $fromMother];
   }
   my @codes;
   for my $i (0 .. $#persons) {
      my $g = $genotype{"$persons[$i][0] $persons[$i][1]"};
      my $code = (0, 2, 3)[$g->[0] + $g->[1]];
      $code = (0, 2, 3)[int(rand(3))] if rand() < $errors;
      $code = 1 if $untyped[$i] || rand() < 0.1;
      push @codes, $code;
   }
   push @rows, [@codes];
   my $bytes = '';
   for (my $i = 0; $i < @codes; $i += 4) {
      my $byte = 0;
      $byte |= ($codes[$i + $_] // 0) << (2 * $_) for 0 .. 3;
      $bytes .= pack('C', $byte);
   }
   print $bed $bytes;
}
close $_ for $fam, $bim, $bed;

for my $part (['autosomes', 0, $markers - $xMarkers - 1], ['x', $markers - $xMarkers, $markers - 1]) {
   my ($name, $first, $last) = @$part;
   open(my $dat, '>', "${prefix}_$name.dat") or die;
   print $dat "M rs$_\n" for $first .. $last;
   open(my $ped, '>', "${prefix}_$name.ped") or die;
   for my $i (0 .. $#persons) {
      print $ped join(' ', @{$persons[$i]});
      for my $m ($first .. $last) {
         my ($a1, $a2) = @{$alleles[$m]};
         my $text = ("$a1 $a1", '0 0', "$a1 $a2", "$a2 $a2")[$rows[$m][$i]];
         $text = '0 0' if $text =~ /\b0\b/;
         print $ped " $text";
      }
      print $ped "\n";
   }
}
